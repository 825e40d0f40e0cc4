// SAMVIQ: one group of files at a time, its reference shown openly first, then the observer
// watches any sequence of the group (the reference hidden among them under a letter) and sets
// or changes marks 0..100 until leaving the group. The play asks the player for the vote itself
// and writes the marks to the results and the protocol; it has no performer and no recorder.
// GUI thread only.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "avifile/json.h"
#include "task/planner_base.h"
#include "task/play.h"
#include "task/vixo_method.h"

// The planner of SAMVIQ: every file in use once, no cycles, no training.
class SamviqQuestionPlanner : public QuestionPlannerBase {
 public:
  explicit SamviqQuestionPlanner(const VIXOmethod* method) : QuestionPlannerBase(method) {}

  bool needsReference(const Task&) const override { return true; }
  int videosPerQuestion(const Task&) const override { return 2; }
  int questionsPerCycle(const Task& task) const override { return totalQuestions(task); }
  int playbacksPerQuestion(const Task&) const override { return 1; }
  // References count twice: they are watched beside every sequence.
  int64_t estimatedDuration(const Task& task, VideoInfoCache& media) const override;
  // The number of files in use.
  int totalQuestions(const Task& task) const override;
};

class MT_SAMVIQ : public VIXOmethod {
 public:
  class Play;
  using QuestionPlanner = SamviqQuestionPlanner;

  MT_SAMVIQ();
  // Refuses an online task: the browsers cannot run SAMVIQ's free order.
  std::vector<ValidationMessage> validate(const Task& task) const override;
  // "pauseAllowed".
  const std::vector<const props::Property*>& properties() const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;

 private:
  QuestionPlanner planner_{this};
};

class MT_SAMVIQ::Play : public VIXOplay {
 public:
  Play(const QuestionPlanner* planner, PlayContext context);

  // The marks of the current group only.
  int answeredCount() const override { return static_cast<int>(marks.size()); }
  bool isFinished() const override { return finished; }
  // One turn: plays the chosen sequence (or the reference), then asks the vote.
  void nextQuestion() override;
  // "results", "protocol", "videoOrder", "groupId", "nextVideo"; finished is not saved.
  void saveState(Brindle::JSON& state) const override;
  // Refuses (false, play unchanged) a state whose files lie outside the task, whose marks lie
  // outside 0..100, whose position lies outside the order, whose group is negative or whose
  // protocol is not an array.
  [[nodiscard]] bool loadState(Brindle::JSON state) override;

  // Position in videoOrder to show next; -1 is the group's reference, shown openly.
  int nextVideo = -1;
  bool finished = false;
  // File index to mark 0..100, current group only.
  std::map<int, int> marks;
  // The current group's files as the observer sees them; empty between groups.
  std::vector<int> videoOrder;
  int groupId = 0;
};
