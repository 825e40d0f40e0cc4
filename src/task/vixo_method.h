// The test methods: DSIS, DSCQS I, DSCQS II, SCACJ, SAMVIQ and Custom, each the fixed rule set
// of one kind of subjective test. They are made once, on first use, and only read afterwards.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "avifile/property_validator.h"
#include "task/custom_question.h"
#include "task/question_planner.h"
#include "task/task.h"

namespace props {
class Property;
}
class VIXOplay;

// An answer to a custom question: the chosen variant, or the text typed for a question
// without variants.
struct CustomAnswer {
  int variant = 0;
  std::string text;  // UTF-8
};

// What a performer registers about a question of a DSCQS method (either type). Files point into
// the play's own task copy. The answer: marks of sequence A and sequence B, 0..100.
struct DSCQSquestionData {
  using Answer = std::pair<int, int>;
  const TaskFile* file = nullptr;
  const TaskFile* reference = nullptr;
  bool referenceIsA = false;
  int blockId = 0;
  bool training = false;
};

class VIXOmethod {
 public:
  VIXOmethod(std::string name, std::wstring description)
      : name(std::move(name)), description(std::move(description)) {}
  virtual ~VIXOmethod() = default;
  VIXOmethod(const VIXOmethod&) = delete;
  VIXOmethod& operator=(const VIXOmethod&) = delete;

  // The method's own checks of a task, in order; empty when it has nothing to add.
  virtual std::vector<ValidationMessage> validate(const Task& task) const;
  // The task properties that apply to the method, in table order; built on the first call.
  virtual const std::vector<const props::Property*>& properties() const = 0;
  // The method's planner for the task (owned by the method); none only for a custom question
  // type outside the known ones.
  virtual const QuestionPlanner* planner(const Task& task) const = 0;
  // A new play that runs a pass on a copy of the context; none when the method cannot make
  // one (a custom question type outside the known ones).
  virtual std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const = 0;

  // The planner's answers for the task (false and 0 without a planner).
  bool needsReference(const Task& task) const;
  int videosPerQuestion(const Task& task) const;
  int minGroupSize(const Task& task) const;

  const std::string name;          // as stored in the task property "method"
  const std::wstring description;  // shown in the editor when the method is chosen
};

class MT_DSIS : public VIXOmethod {
 public:
  class QuestionPerformer;
  // The answer: the mark 1..5.
  struct QuestionData {
    using Answer = int;
    const TaskFile* file = nullptr;
    const TaskFile* reference = nullptr;
    int blockId = 0;
    bool training = false;
  };

  MT_DSIS();
  const std::vector<const props::Property*>& properties() const override;
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }

 private:
  QuestionPlannerAllToRef planner_{this, true, false};
};

class MT_DSCQS_I : public VIXOmethod {
 public:
  class QuestionPerformer;

  MT_DSCQS_I();
  const std::vector<const props::Property*>& properties() const override;
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;
  std::vector<ValidationMessage> validate(const Task& task) const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }

 private:
  QuestionPlannerAllToRef planner_{this, true, false};
};

class MT_DSCQS_II : public VIXOmethod {
 public:
  class QuestionPerformer;

  MT_DSCQS_II();
  const std::vector<const props::Property*>& properties() const override;
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }

 private:
  QuestionPlannerAllToRef planner_{this, true, true};
};

class MT_SCACJ : public VIXOmethod {
 public:
  class QuestionPerformer;
  // The answer: -3..3, or -1..1 on the binary scale.
  struct QuestionData {
    using Answer = int;
    const TaskFile* left = nullptr;
    const TaskFile* right = nullptr;
    int blockId = 0;
    bool binaryScale = false;
    bool training = false;
  };

  MT_SCACJ();
  const std::vector<const props::Property*>& properties() const override;
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }

 private:
  QuestionPlannerAllToAll planner_{this, false};
};

class MT_SAMVIQ : public VIXOmethod {
 public:
  class Play;
  using QuestionPlanner = SamviqQuestionPlanner;

  MT_SAMVIQ();
  const std::vector<const props::Property*>& properties() const override;
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;
  // Refuses the online test: its vote returns at once online, so a pass would never end.
  std::vector<ValidationMessage> validate(const Task& task) const override;
  const QuestionPlanner* planner(const Task&) const override { return &planner_; }

 private:
  QuestionPlanner planner_{this};
};

class MT_CUSTOM : public VIXOmethod {
 public:
  class QuestionPerformerSingle;
  class QuestionPerformerRef;
  class QuestionPerformerPair;
  // The answers: {question index, answer}.
  using Answer = std::pair<int, CustomAnswer>;
  struct QuestionDataSingle {
    using Answer = MT_CUSTOM::Answer;
    const std::vector<CustomQuestion>* questions = nullptr;
    const TaskFile* file = nullptr;
    int blockId = 0;
    bool training = false;
  };
  struct QuestionDataRef {
    using Answer = MT_CUSTOM::Answer;
    const std::vector<CustomQuestion>* questions = nullptr;
    const TaskFile* file = nullptr;
    const TaskFile* reference = nullptr;
    int blockId = 0;
    bool training = false;
  };
  struct QuestionDataPair {
    using Answer = MT_CUSTOM::Answer;
    const std::vector<CustomQuestion>* questions = nullptr;
    const TaskFile* first = nullptr;
    const TaskFile* second = nullptr;
    int blockId = 0;
    bool training = false;
  };

  MT_CUSTOM();
  const std::vector<const props::Property*>& properties() const override;
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;
  std::vector<ValidationMessage> validate(const Task& task) const override;
  // By the task's custom question type and pair display.
  const QuestionPlanner* planner(const Task& task) const override;

 private:
  QuestionPlannerAllToAll pairs_{this, false};
  QuestionPlannerAllToAll pairsTwice_{this, true};
  QuestionPlannerAllToRef reference_{this, false, false};
  QuestionPlannerAllToRef referenceRepeated_{this, false, true};
  QuestionPlannerSingleVideo single_{this};
};

// The six methods in registry order: DSIS, DSCQS I, DSCQS II, SCACJ, SAMVIQ, Custom.
const std::vector<const VIXOmethod*>& getTestMethods();
