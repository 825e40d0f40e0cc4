// Question planners: for a task, how a method's pass is shaped (files per question, what a task
// must hold, questions per cycle, cycles, training questions, playbacks and playing time), and
// the making of the running question sequence of the methods that use them.
//
// Planners are members of their method, hold a pointer back to it and keep no state: every
// answer is computed anew from the task.
#pragma once

#include <cstdint>
#include <memory>

#include "media/video_info.h"
#include "task/task.h"

class VIXOmethod;
class VIXOplay;
class AnswerGetterBase;
template <class Init>
class QuestionPerformer;

class QuestionPlanner {
 public:
  explicit QuestionPlanner(const VIXOmethod* method) : method_(method) {}
  virtual ~QuestionPlanner() = default;

  // Every group in use must have a reference file.
  virtual bool needsReference(const Task& task) const = 0;
  // Files one question shows; validation wants at least this many files in use.
  virtual int videosPerQuestion(const Task& task) const = 0;
  // Least number of files of a group in use.
  virtual int minGroupSize(const Task& task) const { return videosPerQuestion(task); }
  virtual int questionsPerCycle(const Task& task) const = 0;
  virtual int playbacksPerQuestion(const Task& task) const = 0;
  // Playing time of one cycle in milliseconds.
  virtual int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const = 0;
  // Questions of a whole pass, training included.
  virtual int totalQuestions(const Task& task) const;
  // The task's "cycles" when the method uses it, else 1.
  virtual int cycles(const Task& task) const;
  // The task's "trainingQuestions" when the method uses it, else 0.
  virtual int trainingQuestions(const Task& task) const;

  const VIXOmethod* method() const { return method_; }

 protected:
  // Playing time of a file: 0 when it cannot be played, the task's "imageLength" for a still
  // image, else its duration.
  static int64_t playingTime(const Task& task, const std::wstring& path, VideoInfoCache& media);

 private:
  const VIXOmethod* method_;
};

// Every test file against the reference of its group.
class QuestionPlannerAllToRef : public QuestionPlanner {
 public:
  struct QuestionInit {
    int file;
    int reference;
    int blockId;
  };
  class Play;

  QuestionPlannerAllToRef(const VIXOmethod* method, bool twoPlaybacks, bool repetitions)
      : QuestionPlanner(method), twoPlaybacks(twoPlaybacks), repetitions(repetitions) {}

  bool needsReference(const Task&) const override { return true; }
  int videosPerQuestion(const Task&) const override { return 2; }
  int questionsPerCycle(const Task& task) const override;
  int playbacksPerQuestion(const Task& task) const override;
  int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const override;

  std::shared_ptr<VIXOplay> makePlay(PlayContext context,
                                     std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                     std::shared_ptr<AnswerGetterBase> recorder) const;

  const bool twoPlaybacks;
  const bool repetitions;
};

// Every pair of files of a group.
class QuestionPlannerAllToAll : public QuestionPlanner {
 public:
  struct QuestionInit {
    int first;
    int second;
    int blockId;
  };
  class Play;

  QuestionPlannerAllToAll(const VIXOmethod* method, bool twoPlaybacks)
      : QuestionPlanner(method), twoPlaybacks(twoPlaybacks) {}

  bool needsReference(const Task&) const override { return false; }
  int videosPerQuestion(const Task&) const override { return 2; }
  // The pairs of every group, capped by the task's "limitPairs" when it is above 0.
  int questionsPerCycle(const Task& task) const override;
  int playbacksPerQuestion(const Task&) const override { return twoPlaybacks ? 2 : 1; }
  int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const override;

  std::shared_ptr<VIXOplay> makePlay(PlayContext context,
                                     std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                     std::shared_ptr<AnswerGetterBase> recorder) const;

  const bool twoPlaybacks;
};

// Every file in use on its own.
class QuestionPlannerSingleVideo : public QuestionPlanner {
 public:
  struct QuestionInit {
    int file;
    int blockId;
  };
  class Play;

  explicit QuestionPlannerSingleVideo(const VIXOmethod* method) : QuestionPlanner(method) {}

  bool needsReference(const Task&) const override { return false; }
  int videosPerQuestion(const Task&) const override { return 1; }
  int questionsPerCycle(const Task& task) const override;
  int playbacksPerQuestion(const Task&) const override { return 1; }
  int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const override;

  std::shared_ptr<VIXOplay> makePlay(PlayContext context,
                                     std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                     std::shared_ptr<AnswerGetterBase> recorder) const;
};

// The planner of SAMVIQ: every file in use once, no cycles, no training.
class SamviqQuestionPlanner : public QuestionPlanner {
 public:
  explicit SamviqQuestionPlanner(const VIXOmethod* method) : QuestionPlanner(method) {}

  bool needsReference(const Task&) const override { return true; }
  int videosPerQuestion(const Task&) const override { return 2; }
  int questionsPerCycle(const Task& task) const override { return totalQuestions(task); }
  int playbacksPerQuestion(const Task&) const override { return 1; }
  // References count twice: they are watched beside every sequence.
  int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const override;
  int totalQuestions(const Task& task) const override;
};

// The files in use (group other than 0), in file order.
std::vector<int> filesInUse(const Task& task);
// The files in use that are not references, in file order.
std::vector<int> testFiles(const Task& task);
