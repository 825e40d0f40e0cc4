#include "task/method_dsis.h"

#include "player/vixo_player.h"
#include "task/task_properties.h"

namespace {

const wchar_t kReferenceText[] = L"Following sequence is the reference one.";
const wchar_t kImpairedText[] =
    L"Following sequence is impaired.\n\nCompare it with reference picture that you have seen "
    L"before.\nAfter playback you will be asked to give your mark for this sequence.";

}  // namespace

MT_DSIS::MT_DSIS()
    : VIXOmethod("DSIS",
                 L"Double Stimulus Impairment Scale\n(DSIS, from ITU-R).\nVideos are shown "
                 L"consequently in pairs: first video is the reference (observer is informed about "
                 L"it), second video is an impaired.") {}

const std::vector<const props::Property*>& MT_DSIS::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list =
      p.inTableOrder({&p.pauseAllowed, &p.cycles, &p.trainingQuestions, &p.shuffleSources});
  return list;
}

std::shared_ptr<VIXOplay> MT_DSIS::createPlay(const PlayContext& context) const {
  auto recorder = std::make_shared<AnswerGetterAuto<QuestionData>>();
  auto performer = std::make_shared<QuestionPerformer>(recorder.get());
  return planner_.makePlay(context, std::move(performer), std::move(recorder));
}

void MT_DSIS::QuestionData::record(Brindle::JSON& protocol, TestResults& results,
                                   const std::wstring& expert, int mark) const {
  const double x = (static_cast<double>(mark) - 1) * 0.25;
  if (!training)
    results.setSingle(expert, std::to_wstring(blockId), fileId(file), static_cast<float>(x));
  addProtocolAnswer(protocol, expert, {fileId(file)}, reference, {mark}, training, rankData(x));
}

bool MT_DSIS::QuestionPerformer::perform(const QuestionPlannerAllToRef::QuestionInit& init,
                                         VIXOplay& play, bool training) {
  VIXOplayer* player = play.context.player;
  if (!player || !recorder) return false;
  const Task& task = taskOf(play);
  const TaskFile& file = fileAt(task, init.file);
  const TaskFile& reference = fileAt(task, init.reference);
  const int n =
      registerQuestion(*recorder, QuestionData{&file, &reference, init.blockId, training});
  bool marked = false;
  do {
    if (!player->playVideo(kReferenceText, reference.path)) return false;
    if (!player->playVideo(kImpairedText, file.path)) return false;
    marked = player->voteDSIS(n);
    if (player->isStopRequested()) return false;
  } while (!marked);
  return true;
}
