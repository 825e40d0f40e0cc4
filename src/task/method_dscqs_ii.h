// DSCQS type II: the two sequences side by side, played the task's "repetitions" times, then
// marked both; a request to see them again repeats all playbacks. GUI thread only.
#pragma once

#include <memory>
#include <vector>

#include "task/method_dscqs.h"
#include "task/vixo_method.h"

class MT_DSCQS_II : public VIXOmethod {
 public:
  class QuestionPerformer;

  MT_DSCQS_II();
  // "pauseAllowed", "repetitions", "cycles", "trainingQuestions", "shuffleSources".
  const std::vector<const props::Property*>& properties() const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;

 private:
  QuestionPlannerAllToRef planner_{this, true, true};
};

class MT_DSCQS_II::QuestionPerformer : public DSCQSquestionPerformer {
 public:
  using DSCQSquestionPerformer::DSCQSquestionPerformer;
  bool showAndVote(const std::wstring& pathA, const std::wstring& pathB, PlayContext& context,
                   int question) override;
};
