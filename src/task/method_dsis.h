// DSIS: each test file after the reference of its group, the observer told which is which, then
// a mark 1..5 for the impaired one. GUI thread only, like every pass.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "task/all_to_ref_planner.h"
#include "task/answer_getter.h"
#include "task/vixo_method.h"

class MT_DSIS : public VIXOmethod {
 public:
  class QuestionPerformer;
  // What the performer registers for a question. The answer: the mark 1..5.
  struct QuestionData {
    using Answer = int;
    const TaskFile* file = nullptr;
    const TaskFile* reference = nullptr;
    int blockId = 0;
    bool training = false;

    // The value (mark - 1) / 4 for the file, and an answer event with its rank.
    void record(Brindle::JSON& protocol, TestResults& results, const std::wstring& expert,
                int mark) const;
  };

  MT_DSIS();
  // "pauseAllowed", "cycles", "trainingQuestions", "shuffleSources".
  const std::vector<const props::Property*>& properties() const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;

 private:
  QuestionPlannerAllToRef planner_{this, true, false};
};

// The reference, then the impaired file, then the vote; again until a mark is given.
class MT_DSIS::QuestionPerformer
    : public ::QuestionPerformer<QuestionPlannerAllToRef::QuestionInit> {
 public:
  explicit QuestionPerformer(AnswerGetterAuto<QuestionData>* recorder) : recorder(recorder) {}
  bool perform(const QuestionPlannerAllToRef::QuestionInit& init, VIXOplay& play,
               bool training) override;

  AnswerGetterAuto<QuestionData>* recorder;  // kept alive by the play
};
