// SCACJ: every pair of files of a group side by side on drawn sides, then the observer's opinion
// of left against right on a seven-step or a binary scale. Pairs are always shuffled. GUI thread
// only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "task/all_to_all_planner.h"
#include "task/answer_getter.h"
#include "task/vixo_method.h"

class MT_SCACJ : public VIXOmethod {
 public:
  class QuestionPerformer;
  // What the performer registers for a question. The answer: -3..3, or -1..1 on the binary
  // scale.
  struct QuestionData {
    using Answer = int;
    const TaskFile* left = nullptr;
    const TaskFile* right = nullptr;
    int blockId = 0;
    bool binaryScale = false;
    bool training = false;

    // An answer event naming both files, then the value m (binary scale) or m / 3 for the pair.
    void record(Brindle::JSON& protocol, TestResults& results, const std::wstring& expert,
                int mark) const;
  };

  MT_SCACJ();
  // "pauseAllowed", "limitPairs", "cycles", "trainingQuestions", "scacjScale".
  const std::vector<const props::Property*>& properties() const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;

 private:
  QuestionPlannerAllToAll planner_{this, false};
};

// The pair on drawn sides, then the vote of the task's scale; again until a mark is given.
class MT_SCACJ::QuestionPerformer
    : public ::QuestionPerformer<QuestionPlannerAllToAll::QuestionInit> {
 public:
  explicit QuestionPerformer(AnswerGetterAuto<QuestionData>* recorder) : recorder(recorder) {}
  bool perform(const QuestionPlannerAllToAll::QuestionInit& init, VIXOplay& play,
               bool training) override;

  AnswerGetterAuto<QuestionData>* recorder;  // kept alive by the play
};
