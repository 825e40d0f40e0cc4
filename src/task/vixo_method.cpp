#include "task/vixo_method.h"

#include "task/question_planner.h"

std::vector<ValidationMessage> VIXOmethod::validate(const Task&) const { return {}; }

bool VIXOmethod::needsReference(const Task& task) const {
  const QuestionPlanner* p = planner(task);
  return p && p->needsReference(task);
}

int VIXOmethod::videosPerQuestion(const Task& task) const {
  const QuestionPlanner* p = planner(task);
  return p ? p->videosPerQuestion(task) : 0;
}

int VIXOmethod::minGroupSize(const Task& task) const {
  const QuestionPlanner* p = planner(task);
  return p ? p->minGroupSize(task) : 0;
}
