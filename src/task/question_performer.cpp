#include "task/question_performer.h"

#include "task/play.h"

const TaskFile& fileAt(const Task& task, int index) {
  static const TaskFile none{L"", L"", 0};
  return task.hasFile(index) ? task.files[index] : none;
}

const Task& taskOf(const VIXOplay& play) { return play.context.loadedTask.task; }

bool keepSides(VIXOplay& play) { return play.random.odd(); }

std::pair<const TaskFile*, const TaskFile*> drawSides(VIXOplay& play, int first, int second) {
  const Task& task = taskOf(play);
  const bool keep = keepSides(play);
  return {&fileAt(task, keep ? first : second), &fileAt(task, keep ? second : first)};
}
