#include "task/question_performer.h"

#include <random>

#include "task/play.h"

const TaskFile& fileAt(const Task& task, int index) {
  static const TaskFile none{L"", L"", 0};
  return task.hasFile(index) ? task.files[index] : none;
}

const Task& taskOf(const VIXOplay& play) { return play.context.loadedTask.task; }

bool keepSides() {
  std::mt19937 generator(std::random_device{}());
  return (generator() & 1u) != 0;
}

std::pair<const TaskFile*, const TaskFile*> drawSides(const Task& task, int first, int second) {
  const bool keep = keepSides();
  return {&fileAt(task, keep ? first : second), &fileAt(task, keep ? second : first)};
}
