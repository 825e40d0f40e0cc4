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
  const int total = totalQuestions(task);
  const int training = trainingQuestions(task);
  // Negative counts (stored settings are not clamped) ask nothing; the training block alone
  // may be larger than the whole pass then.
  const int64_t asked = std::max(total, training);
  if (asked > kMaxPassQuestions)
    return L"A pass of this task would ask " + std::to_wstring(asked) +
           L" questions; a pass holds at most " + std::to_wstring(kMaxPassQuestions);
  const int64_t block = blockCandidates(task);
  if (block > kMaxBlockCandidates)
    return L"A block of this task would be made of " + std::to_wstring(block) +
           L" questions; a block is made of at most " + std::to_wstring(kMaxBlockCandidates);
  return {};
}
