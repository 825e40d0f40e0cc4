// What the two DSCQS methods share: the test file and the reference shown as sequences "A" and
// "B" on drawn sides, marks 0..100 for both, and the question data and performer base of that.
// Each type (method_dscqs_i.h, method_dscqs_ii.h) shows and votes its own way. GUI thread only.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "task/all_to_ref_planner.h"
#include "task/answer_getter.h"

// What a performer of a DSCQS method (either type) registers about a question. The answer:
// marks of sequence A and sequence B, 0..100.
struct DSCQSquestionData {
  using Answer = std::pair<int, int>;
  const TaskFile* file = nullptr;
  const TaskFile* reference = nullptr;
  bool referenceIsA = false;
  int blockId = 0;
  bool training = false;

  // The value (test - reference + 100) / 200 for the test file, and an answer event with its
  // rank, the files named as shown (A first).
  void record(Brindle::JSON& protocol, TestResults& results, const std::wstring& expert,
              const Answer& marks) const;
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

// The first line of every DSCQS instruction.
extern const wchar_t kDscqsIntro[];
