#include "task/question_planner.h"

int QuestionPlanner::minGroupSize(const Task& task) const { return videosPerQuestion(task); }

int QuestionPlanner::totalQuestions(const Task& task) const {
  return cycles(task) * questionsPerCycle(task) + trainingQuestions(task);
}
