// Custom: questions written by the operator (custom_question.h) about one video, a video against
// its reference, or a pair of videos, shown side by side or one after the other. The question
// type and the pair display choose the planner. GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "task/all_to_all_planner.h"
#include "task/all_to_ref_planner.h"
#include "task/answer_getter.h"
#include "task/custom_question.h"
#include "task/single_video_planner.h"
#include "task/vixo_method.h"

// An answer to a custom question: the chosen variant, or the text typed for a question
// without variants.
struct CustomAnswer {
  int variant = 0;
  std::string text;  // UTF-8
};

class MT_CUSTOM : public VIXOmethod {
 public:
  class QuestionPerformerSingle;
  class QuestionPerformerRef;
  class QuestionPerformerPair;
  // The answers: {question index, answer}.
  using Answer = std::pair<int, CustomAnswer>;
  // What the performers register for a question; each records an answer event per question
  // and, for a variant, a value between the question's least and greatest rank.
  struct QuestionDataSingle {
    using Answer = MT_CUSTOM::Answer;
    const std::vector<CustomQuestion>* questions = nullptr;
    const TaskFile* file = nullptr;
    int blockId = 0;
    bool training = false;

    void record(Brindle::JSON& protocol, TestResults& results, const std::wstring& expert,
                const Answer& answer) const;
  };
  struct QuestionDataRef {
    using Answer = MT_CUSTOM::Answer;
    const std::vector<CustomQuestion>* questions = nullptr;
    const TaskFile* file = nullptr;
    const TaskFile* reference = nullptr;
    int blockId = 0;
    bool training = false;

    void record(Brindle::JSON& protocol, TestResults& results, const std::wstring& expert,
                const Answer& answer) const;
  };
  struct QuestionDataPair {
    using Answer = MT_CUSTOM::Answer;
    const std::vector<CustomQuestion>* questions = nullptr;
    const TaskFile* first = nullptr;
    const TaskFile* second = nullptr;
    int blockId = 0;
    bool training = false;

    void record(Brindle::JSON& protocol, TestResults& results, const std::wstring& expert,
                const Answer& answer) const;
  };

  MT_CUSTOM();
  // An error when the question text does not parse.
  std::vector<ValidationMessage> validate(const Task& task) const override;
  // "customQuestionType", "customQuestionPairDisplay", "customQuestion",
  // "customQuestionInstructions", "customQuestionInstructions2", "shuffleSources".
  const std::vector<const props::Property*>& properties() const override;
  // By the task's custom question type and pair display.
  const QuestionPlanner* planner(const Task& task) const override;
  std::shared_ptr<VIXOplay> createPlay(const PlayContext& context) const override;

 private:
  QuestionPlannerAllToAll pairs_{this, false};
  QuestionPlannerAllToAll pairsTwice_{this, true};
  QuestionPlannerAllToRef reference_{this, false, false};
  QuestionPlannerAllToRef referenceRepeated_{this, false, true};
  QuestionPlannerSingleVideo single_{this};
};

class MT_CUSTOM::QuestionPerformerSingle
    : public ::QuestionPerformer<QuestionPlannerSingleVideo::QuestionInit> {
 public:
  QuestionPerformerSingle(AnswerGetterAuto<QuestionDataSingle>* recorder,
                          std::vector<CustomQuestion> questions)
      : recorder(recorder), questions(std::move(questions)) {}
  bool perform(const QuestionPlannerSingleVideo::QuestionInit& init, VIXOplay& play,
               bool training) override;

  AnswerGetterAuto<QuestionDataSingle>* recorder;  // kept alive by the play
  const std::vector<CustomQuestion> questions;
};

class MT_CUSTOM::QuestionPerformerRef
    : public ::QuestionPerformer<QuestionPlannerAllToRef::QuestionInit> {
 public:
  QuestionPerformerRef(AnswerGetterAuto<QuestionDataRef>* recorder,
                       std::vector<CustomQuestion> questions)
      : recorder(recorder), questions(std::move(questions)) {}
  bool perform(const QuestionPlannerAllToRef::QuestionInit& init, VIXOplay& play,
               bool training) override;

  AnswerGetterAuto<QuestionDataRef>* recorder;  // kept alive by the play
  const std::vector<CustomQuestion> questions;
};

class MT_CUSTOM::QuestionPerformerPair
    : public ::QuestionPerformer<QuestionPlannerAllToAll::QuestionInit> {
 public:
  QuestionPerformerPair(AnswerGetterAuto<QuestionDataPair>* recorder,
                        std::vector<CustomQuestion> questions)
      : recorder(recorder), questions(std::move(questions)) {}
  bool perform(const QuestionPlannerAllToAll::QuestionInit& init, VIXOplay& play,
               bool training) override;

  AnswerGetterAuto<QuestionDataPair>* recorder;  // kept alive by the play
  const std::vector<CustomQuestion> questions;
};
