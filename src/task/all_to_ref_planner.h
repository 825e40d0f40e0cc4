// The all-to-reference planner: every test file of a pass against the reference of its group,
// and its play. DSIS and both DSCQS types use it, and Custom for "All to ref" questions.
#pragma once

#include <memory>
#include <vector>

#include "task/planner_base.h"
#include "task/play.h"
#include "task/question_performer.h"

class QuestionPlannerAllToRef : public QuestionPlannerBase {
 public:
  // What a performer gets for one question.
  struct QuestionInit {
    int file;
    int reference;
    int blockId;
  };
  class Play;

  QuestionPlannerAllToRef(const VIXOmethod* method, bool twoPlaybacks, bool repetitions)
      : QuestionPlannerBase(method), twoPlaybacks(twoPlaybacks), repetitions(repetitions) {}

  bool needsReference(const Task&) const override { return true; }
  int videosPerQuestion(const Task&) const override { return 2; }
  // The number of test files.
  int questionsPerCycle(const Task& task) const override;
  // Two with two playbacks, one without, times the task's "repetitions" when repetitions is on.
  int playbacksPerQuestion(const Task& task) const override;
  // Each test file with its reference: both times with two playbacks, the longer one without;
  // the sum times the task's "repetitions" when repetitions is on.
  int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const override;

  // A new play over a copy of the context; none when a pass of its task cannot be held.
  std::shared_ptr<VIXOplay> makePlay(PlayContext context,
                                     std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                     std::shared_ptr<AnswerGetterBase> recorder) const;

  const bool twoPlaybacks;
  const bool repetitions;
};

// Blocks of test files, each asked with the reference of its group.
class QuestionPlannerAllToRef::Play : public BlockPlay<int> {
 public:
  Play(const QuestionPlannerAllToRef* planner, PlayContext context,
       std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
       std::shared_ptr<AnswerGetterBase> recorder);

  std::shared_ptr<QuestionPerformer<QuestionInit>> performer;

 protected:
  // The test files in file order.
  std::vector<int> candidates() const override;
  bool ask(const int& file) override;
};
