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

// The recorder of one kind of question data D; the performer fills `questions`. D is the
// record a method's performer registers for a question (the method's file pair defines it); it
// names its answer type `D::Answer` and records an answer itself:
//   void record(Brindle::JSON& protocol, TestResults& results, const std::wstring& expert,
//               const Answer& answer) const;
template <typename D>
class AnswerGetterAuto : public AnswerGetter<typename D::Answer> {
 public:
  // An unknown question number records nothing. Entries stay, so a question answered again
  // records again.
  void setAnswer(int questionNumber, const std::wstring& expert,
                 const typename D::Answer& answer) override {
    const auto it = questions.find(questionNumber);
    if (it == questions.end() || !this->protocol || !this->results) return;
    it->second.record(*this->protocol, *this->results, expert, answer);
  }

  std::map<int, D> questions;
};

// The id of a registered file; empty for none.
const std::wstring& fileId(const TaskFile* file);
// The data of an answer event that carries a rank: {"rank": rank as a Float}.
Brindle::JSON rankData(double rank);

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
