// Answer recorders: the objects through which a player delivers an observer's marks. A
// performer registers what a question showed under a question number; the mark given later
// under that number becomes a result value (unless the question is a training one) and an
// "answer" event of the pass's protocol.
//
// Recorders and protocols are used on the GUI thread only.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "avifile/json.h"
#include "results/test_results.h"
#include "task/task.h"
#include "task/vixo_method.h"

class AnswerGetterBase {
 public:
  virtual ~AnswerGetterBase() = default;

  // Both set by the play that owns the recorder; they stay valid while it lives. Nothing is
  // recorded while either is unset.
  Brindle::JSON* protocol = nullptr;  // an Array of events
  TestResults* results = nullptr;
};

// A recorder for answers of type T; players find it by a checked downcast of the play's
// recorder.
template <typename T>
class AnswerGetter : public AnswerGetterBase {
 public:
  virtual void setAnswer(int questionNumber, const std::wstring& expert, const T& answer) = 0;
};

// Records one answer given to a registered question; one overload per kind of question.
void recordAnswer(Brindle::JSON& protocol, TestResults& results,
                  const MT_DSIS::QuestionData& question, const std::wstring& expert, int mark);
void recordAnswer(Brindle::JSON& protocol, TestResults& results, const DSCQSquestionData& question,
                  const std::wstring& expert, const std::pair<int, int>& marks);
void recordAnswer(Brindle::JSON& protocol, TestResults& results,
                  const MT_SCACJ::QuestionData& question, const std::wstring& expert, int mark);
void recordAnswer(Brindle::JSON& protocol, TestResults& results,
                  const MT_CUSTOM::QuestionDataSingle& question, const std::wstring& expert,
                  const MT_CUSTOM::Answer& answer);
void recordAnswer(Brindle::JSON& protocol, TestResults& results,
                  const MT_CUSTOM::QuestionDataRef& question, const std::wstring& expert,
                  const MT_CUSTOM::Answer& answer);
void recordAnswer(Brindle::JSON& protocol, TestResults& results,
                  const MT_CUSTOM::QuestionDataPair& question, const std::wstring& expert,
                  const MT_CUSTOM::Answer& answer);

// The recorder of one kind of question data D; the performer fills `questions`.
template <typename D>
class AnswerGetterAuto : public AnswerGetter<typename D::Answer> {
 public:
  // An unknown question number records nothing. Entries stay, so a question answered again
  // records again.
  void setAnswer(int questionNumber, const std::wstring& expert,
                 const typename D::Answer& answer) override {
    const auto it = questions.find(questionNumber);
    if (it == questions.end() || !this->protocol || !this->results) return;
    recordAnswer(*this->protocol, *this->results, it->second, expert, answer);
  }

  std::map<int, D> questions;
};

// A new protocol: an Array holding one "begin" event with an empty data object.
Brindle::JSON newProtocol();
// Appends {"time": now, "type": type, "data": data}. Throws Brindle::JSON::InvalidType when the
// protocol is not an Array or the data not an Object.
void addProtocolEvent(Brindle::JSON& protocol, const std::string& type, const Brindle::JSON& data);
// Appends an "answer" event: the data's own members, then "expert", "inputs", "is-training",
// "answers" (only when not empty) and "reference" (the file's id, only when given).
void addProtocolAnswer(Brindle::JSON& protocol, const std::wstring& expert,
                       const std::vector<std::wstring>& inputs, const TaskFile* reference,
                       const std::vector<int>& answers, bool training, const Brindle::JSON& data);
