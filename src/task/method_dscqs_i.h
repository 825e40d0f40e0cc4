// DSCQS type I: the observer chooses which of the two sequences to watch first, then watches the
// other, and may watch either again before marking both. Not for online passes. GUI thread
// only.
#pragma once

#include <memory>
#include <vector>

#include "task/method_dscqs.h"
#include "task/vixo_method.h"

class MT_DSCQS_I : public VIXOmethod {
 public:
  class QuestionPerformer;

  MT_DSCQS_I();
  // An error when the task runs online.
  std::vector<ValidationMessage> validate(const Task& task) const override;
  // "pauseAllowed", "cycles", "trainingQuestions", "shuffleSources".
  const std::vector<const props::Property*>& properties() const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;

 private:
  QuestionPlannerAllToRef planner_{this, true, false};
};

class MT_DSCQS_I::QuestionPerformer : public DSCQSquestionPerformer {
 public:
  using DSCQSquestionPerformer::DSCQSquestionPerformer;
  bool showAndVote(const std::wstring& pathA, const std::wstring& pathB, PlayContext& context,
                   int question) override;
};
