// The single-video planner: every file in use on its own, and its play. Custom uses it for "One
// video" questions.
#pragma once

#include <memory>
#include <vector>

#include "task/planner_base.h"
#include "task/play.h"
#include "task/question_performer.h"

class QuestionPlannerSingleVideo : public QuestionPlannerBase {
 public:
  // What a performer gets for one question.
  struct QuestionInit {
    int file;
    int blockId;
  };
  class Play;

  explicit QuestionPlannerSingleVideo(const VIXOmethod* method) : QuestionPlannerBase(method) {}

  bool needsReference(const Task&) const override { return false; }
  int videosPerQuestion(const Task&) const override { return 1; }
  // The number of files in use.
  int questionsPerCycle(const Task& task) const override;
  int playbacksPerQuestion(const Task&) const override { return 1; }
  // The sum of the playing times of the files in use.
  int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const override;

  // A new play over a copy of the context; none when a pass of its task cannot be held.
  std::shared_ptr<VIXOplay> makePlay(PlayContext context,
                                     std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                     std::shared_ptr<AnswerGetterBase> recorder) const;
};

// Blocks of the files in use, references included.
class QuestionPlannerSingleVideo::Play : public BlockPlay<int> {
 public:
  Play(const QuestionPlannerSingleVideo* planner, PlayContext context,
       std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
       std::shared_ptr<AnswerGetterBase> recorder);

  std::shared_ptr<QuestionPerformer<QuestionInit>> performer;

 protected:
  // The files in use in file order.
  std::vector<int> candidates() const override;
  bool ask(const int& file) override;
};
