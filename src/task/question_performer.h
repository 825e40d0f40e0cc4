// Question performers: what shows one question of a pass through the play's player and gets
// its mark, asking again until a mark is given or the pass is stopped. Each method has its own
// performers (in the method's file pair); this file holds the interface the plays call and the
// steps every performer shares.
//
// A performer first registers what the question shows with the method's recorder under a new
// question number (the number of questions registered so far); the player records the mark
// under that number. GUI thread only.
#pragma once

#include <utility>

#include "task/answer_getter.h"
#include "task/task.h"

class VIXOplay;

// Shows one question of a planner's kind (Init: the planner's QuestionInit) and gets its mark.
template <class Init>
class QuestionPerformer {
 public:
  virtual ~QuestionPerformer() = default;
  // True when the question got its mark and no stop was asked; false leaves the question to be
  // asked again.
  virtual bool perform(const Init& init, VIXOplay& play, bool training) = 0;
};

// A file of the play's own task. An index outside the list (a group without a reference, which
// validation refuses) gives an empty record, whose empty path the player cannot open.
const TaskFile& fileAt(const Task& task, int index);

// The task of the play's own context.
const Task& taskOf(const VIXOplay& play);

// Registers the question's data under the next question number and returns the number.
template <class D>
int registerQuestion(AnswerGetterAuto<D>& recorder, const D& data) {
  const int number = static_cast<int>(recorder.questions.size());
  recorder.questions[number] = data;
  return number;
}

// One side draw for a question from the pass's random source: true keeps the planner's order of
// the two files.
bool keepSides(VIXOplay& play);

// The two files of a pair question of the play's task, in the order of one side draw.
std::pair<const TaskFile*, const TaskFile*> drawSides(VIXOplay& play, int first, int second);
