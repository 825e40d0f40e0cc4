#include "task/method_dscqs.h"

const wchar_t kDscqsIntro[] =
    L"Now you will evaluate quality of two video sequences, named \"Sequence A\" and \"Sequence "
    L"B\".\n";

void DSCQSquestionData::record(Brindle::JSON& protocol, TestResults& results,
                               const std::wstring& expert, const Answer& marks) const {
  const auto [a, b] = marks;
  const int test = referenceIsA ? b : a;
  const int referenceMark = referenceIsA ? a : b;
  const double x = (static_cast<double>(test) - referenceMark + 100) / 200;
  if (!training)
    results.setSingle(expert, std::to_wstring(blockId), fileId(file), static_cast<float>(x));
  const TaskFile* shownA = referenceIsA ? reference : file;
  const TaskFile* shownB = referenceIsA ? file : reference;
  addProtocolAnswer(protocol, expert, {fileId(shownA), fileId(shownB)}, reference, {a, b}, training,
                    rankData(x));
}

bool DSCQSquestionPerformer::perform(const QuestionPlannerAllToRef::QuestionInit& init,
                                     VIXOplay& play, bool training) {
  if (!play.context.player || !recorder) return false;
  const Task& task = taskOf(play);
  const TaskFile& file = fileAt(task, init.file);
  const TaskFile& reference = fileAt(task, init.reference);
  const bool keep = keepSides(play);
  const int n = registerQuestion(
      *recorder, DSCQSquestionData{&file, &reference, !keep, init.blockId, training});
  return showAndVote(keep ? file.path : reference.path, keep ? reference.path : file.path,
                     play.context, n);
}
