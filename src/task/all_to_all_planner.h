// The all-to-all planner: every pair of files of a group, and its play. SCACJ uses it, and
// Custom for "All to all" questions.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "task/planner_base.h"
#include "task/play.h"
#include "task/question_performer.h"

class QuestionPlannerAllToAll : public QuestionPlannerBase {
 public:
  // What a performer gets for one question.
  struct QuestionInit {
    int first;
    int second;
    int blockId;
  };
  class Play;

  QuestionPlannerAllToAll(const VIXOmethod* method, bool twoPlaybacks)
      : QuestionPlannerBase(method), twoPlaybacks(twoPlaybacks) {}

  bool needsReference(const Task&) const override { return false; }
  int videosPerQuestion(const Task&) const override { return 2; }
  // The pairs of every group, capped by the task's "limitPairs" when it is above 0.
  int questionsPerCycle(const Task& task) const override;
  int playbacksPerQuestion(const Task&) const override { return twoPlaybacks ? 2 : 1; }
  // Every pair of every group: a block is cut to the pair limit only after it is made.
  int64_t blockCandidates(const Task& task) const override;
  // The average pair's playing time (half of it without two playbacks) times the questions of a
  // cycle.
  int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const override;

  // A new play over a copy of the context; none when a pass of its task cannot be held.
  std::shared_ptr<VIXOplay> makePlay(PlayContext context,
                                     std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                     std::shared_ptr<AnswerGetterBase> recorder) const;

  const bool twoPlaybacks;
};

// Blocks of pairs, always shuffled.
class QuestionPlannerAllToAll::Play : public BlockPlay<std::pair<int, int>> {
 public:
  Play(const QuestionPlannerAllToAll* planner, PlayContext context,
       std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
       std::shared_ptr<AnswerGetterBase> recorder);

  std::shared_ptr<QuestionPerformer<QuestionInit>> performer;

 protected:
  // Every pair of files of a group: groups ascending, group 0 left out, references taking part.
  std::vector<std::pair<int, int>> candidates() const override;
  // Always shuffled, then cut to the task's "limitPairs" when it is above 0.
  void arrangeBlock(std::vector<std::pair<int, int>>& items) override;
  bool ask(const std::pair<int, int>& pair) override;
};
