// What the question planners of the methods share: cycles and training questions taken from the
// task when the method's property set holds them, the playing time of a file, and the files a
// pass asks about. The four planners (all_to_ref_planner.h, all_to_all_planner.h,
// single_video_planner.h and SAMVIQ's in method_samviq.h) derive from QuestionPlannerBase.
//
// Planners keep no state: every answer is computed anew from the task.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "task/question_planner.h"
#include "task/task.h"

class QuestionPlannerBase : public QuestionPlanner {
 public:
  using QuestionPlanner::QuestionPlanner;

  // The task's "cycles" when the method uses it, else 1.
  int cycles(const Task& task) const override;
  // The task's "trainingQuestions" when the method uses it, else 0.
  int trainingQuestions(const Task& task) const override;

 protected:
  // Playing time of a file: 0 when it cannot be played, the task's "imageLength" for a still
  // image, else its duration.
  static int64_t playingTime(const Task& task, const std::wstring& path, VideoInfoCache& media);
};

// The files in use (group other than 0), in file order.
std::vector<int> filesInUse(const Task& task);
// The files in use that are not references, in file order.
std::vector<int> testFiles(const Task& task);
// The pairs of files of every group in use (references take part).
int64_t pairCount(const Task& task);
