#include "task/method_scacj.h"

#include "player/vixo_player.h"
#include "task/task_properties.h"

namespace {

const wchar_t kPairText[] =
    L"After test, you will be asked of your opinion about left and right sequence.";

}  // namespace

MT_SCACJ::MT_SCACJ()
    : VIXOmethod("SCACJ",
                 L"Quality evaluation using categorical scale (SCACJ, from ITU-R).\nTwo videos "
                 L"are shown simultaneously, after playback observer is asked about his opinion.") {
}

const std::vector<const props::Property*>& MT_SCACJ::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list = p.inTableOrder(
      {&p.pauseAllowed, &p.limitPairs, &p.cycles, &p.trainingQuestions, &p.scacjScale});
  return list;
}

std::shared_ptr<VIXOplay> MT_SCACJ::createPlay(const PlayContext& context) const {
  auto recorder = std::make_shared<AnswerGetterAuto<QuestionData>>();
  auto performer = std::make_shared<QuestionPerformer>(recorder.get());
  return planner_.makePlay(context, std::move(performer), std::move(recorder));
}

void MT_SCACJ::QuestionData::record(Brindle::JSON& protocol, TestResults& results,
                                    const std::wstring& expert, int mark) const {
  addProtocolAnswer(protocol, expert, {fileId(left), fileId(right)}, nullptr, {mark}, training,
                    Brindle::JSON(Brindle::JSONElements::Object()));
  if (training) return;
  const double v = binaryScale ? mark : mark / 3.0;
  results.setPair(expert, std::to_wstring(blockId), fileId(left), fileId(right),
                  static_cast<float>(v));
}

bool MT_SCACJ::QuestionPerformer::perform(const QuestionPlannerAllToAll::QuestionInit& init,
                                          VIXOplay& play, bool training) {
  VIXOplayer* player = play.context.player;
  if (!player || !recorder) return false;
  const Task& task = taskOf(play);
  const auto [left, right] = drawSides(play, init.first, init.second);
  const bool binary = getTaskProperties().scacjScale.getEnumeratedProperty(task.properties) ==
                      VixoProperties::BinaryScale;
  const int n =
      registerQuestion(*recorder, QuestionData{left, right, init.blockId, binary, training});
  bool marked = false;
  do {
    if (!player->playVideoPair(kPairText, left->path, right->path)) return false;
    marked = binary ? player->voteSCACJbinary(n) : player->voteSCACJ(n);
    if (player->isStopRequested()) return false;
  } while (!marked);
  return true;
}
