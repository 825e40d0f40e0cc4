// Question performers: each shows one question of its method through the play's player and
// gets its mark, asking again until a mark is given or the pass is stopped.
//
// A performer first registers what the question shows with the method's recorder under a new
// question number (the number of questions registered so far); the player records the mark
// under that number. GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "task/answer_getter.h"
#include "task/custom_question.h"
#include "task/play.h"
#include "task/vixo_method.h"

class MT_DSIS::QuestionPerformer
    : public ::QuestionPerformer<QuestionPlannerAllToRef::QuestionInit> {
 public:
  explicit QuestionPerformer(AnswerGetterAuto<QuestionData>* recorder) : recorder(recorder) {}
  bool perform(const QuestionPlannerAllToRef::QuestionInit& init, VIXOplay& play,
               bool training) override;

  AnswerGetterAuto<QuestionData>* recorder;  // kept alive by the play
};

// Both DSCQS types: the side draw and the registration; each type shows and votes its own way.
class DSCQSquestionPerformer : public QuestionPerformer<QuestionPlannerAllToRef::QuestionInit> {
 public:
  explicit DSCQSquestionPerformer(std::shared_ptr<AnswerGetterAuto<DSCQSquestionData>> recorder)
      : recorder(std::move(recorder)) {}
  bool perform(const QuestionPlannerAllToRef::QuestionInit& init, VIXOplay& play,
               bool training) override;
  virtual bool showAndVote(const std::wstring& pathA, const std::wstring& pathB,
                           PlayContext& context, int question) = 0;

  std::shared_ptr<AnswerGetterAuto<DSCQSquestionData>> recorder;
};

class MT_DSCQS_I::QuestionPerformer : public DSCQSquestionPerformer {
 public:
  using DSCQSquestionPerformer::DSCQSquestionPerformer;
  bool showAndVote(const std::wstring& pathA, const std::wstring& pathB, PlayContext& context,
                   int question) override;
};

class MT_DSCQS_II::QuestionPerformer : public DSCQSquestionPerformer {
 public:
  using DSCQSquestionPerformer::DSCQSquestionPerformer;
  bool showAndVote(const std::wstring& pathA, const std::wstring& pathB, PlayContext& context,
                   int question) override;
};

class MT_SCACJ::QuestionPerformer
    : public ::QuestionPerformer<QuestionPlannerAllToAll::QuestionInit> {
 public:
  explicit QuestionPerformer(AnswerGetterAuto<QuestionData>* recorder) : recorder(recorder) {}
  bool perform(const QuestionPlannerAllToAll::QuestionInit& init, VIXOplay& play,
               bool training) override;

  AnswerGetterAuto<QuestionData>* recorder;
};

class MT_CUSTOM::QuestionPerformerSingle
    : public ::QuestionPerformer<QuestionPlannerSingleVideo::QuestionInit> {
 public:
  QuestionPerformerSingle(AnswerGetterAuto<QuestionDataSingle>* recorder,
                          std::vector<CustomQuestion> questions)
      : recorder(recorder), questions(std::move(questions)) {}
  bool perform(const QuestionPlannerSingleVideo::QuestionInit& init, VIXOplay& play,
               bool training) override;

  AnswerGetterAuto<QuestionDataSingle>* recorder;
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

  AnswerGetterAuto<QuestionDataRef>* recorder;
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

  AnswerGetterAuto<QuestionDataPair>* recorder;
  const std::vector<CustomQuestion> questions;
};
