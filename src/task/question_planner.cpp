#include "task/question_planner.h"

#include <algorithm>

#include "task/saturating.h"

int QuestionPlanner::minGroupSize(const Task& task) const { return videosPerQuestion(task); }

int QuestionPlanner::totalQuestions(const Task& task) const {
  return saturating::add(saturating::multiply(cycles(task), questionsPerCycle(task)),
                         trainingQuestions(task));
}

int64_t QuestionPlanner::blockCandidates(const Task& task) const { return questionsPerCycle(task); }

std::wstring QuestionPlanner::planTooLarge(const Task& task) const {
  const std::wstring limit = L"; a pass holds at most " + std::to_wstring(kMaxPassQuestions);
  const int total = totalQuestions(task);
  if (total > kMaxPassQuestions)
    return L"A pass of this task would ask " + std::to_wstring(total) + L" questions" + limit;
  const int64_t block = std::max<int64_t>(blockCandidates(task), trainingQuestions(task));
  if (block > kMaxPassQuestions)
    return L"A block of this task would be made of " + std::to_wstring(block) + L" questions" +
           limit;
  return {};
}
