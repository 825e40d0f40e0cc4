#include "task/method_custom.h"

#include "player/vixo_player.h"
#include "task/task_properties.h"

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

std::wstring instructions(const Task& task, bool second) {
  const VixoProperties& p = getTaskProperties();
  return (second ? p.customQuestionInstructions2 : p.customQuestionInstructions)
      .getStringProperty(task.properties);
}

// The custom questions about two files, shown side by side or one after the other, asked until
// they are all answered or the pass stops.
bool showCustomTwo(VIXOplayer& player, const Task& task,
                   const std::vector<CustomQuestion>& questions, const TaskFile& first,
                   const TaskFile& second, int question) {
  const bool simultaneous = getTaskProperties().customQuestionPairDisplay.getEnumeratedProperty(
                                task.properties) == VixoProperties::Simultaneously;
  bool answered = false;
  do {
    bool played;
    if (simultaneous) {
      played = player.playVideoPair(instructions(task, false), first.path, second.path);
    } else {
      played = player.playVideo(instructions(task, false), first.path) &&
               player.playVideo(instructions(task, true), second.path);
    }
    if (!played) return false;
    answered = player.voteCustom(questions, question);
    if (player.isStopRequested()) return false;
  } while (!answered);
  return true;
}

// What a custom question showed, whatever its kind: `second` only for pairs, `reference`
// only for questions against a reference.
struct CustomShown {
  const std::vector<CustomQuestion>* questions;
  bool pair;
  const TaskFile* first;
  const TaskFile* second;
  const TaskFile* reference;
  int blockId;
  bool training;
};

void recordCustom(JSON& protocol, TestResults& results, const CustomShown& shown,
                  const std::wstring& expert, const MT_CUSTOM::Answer& answer) {
  const auto& [q, given] = answer;
  if (!shown.questions || q < 0 || static_cast<size_t>(q) >= shown.questions->size()) return;
  const CustomQuestion& question = (*shown.questions)[q];
  const std::wstring label =
      L"[[" + (question.key.empty() ? L"q" + std::to_wstring(q) : question.key) + L"]]";
  std::vector<std::wstring> inputs{fileId(shown.first) + label};
  if (shown.pair) inputs.push_back(fileId(shown.second) + label);

  JSON data{E::Object()};
  if (question.variants.empty()) {
    data.set("text", given.text);
    data.set("q-index", E::Integer(q));
    addProtocolAnswer(protocol, expert, inputs, shown.reference, {}, shown.training, data);
    return;
  }
  // Players offer only the question's variants, but a vote from the network may carry any
  // index; one outside the list is ignored like a question index outside the list.
  if (given.variant < 0 || static_cast<size_t>(given.variant) >= question.variants.size()) return;
  const double rank = question.variants[given.variant].rank;
  data.set("rank", E::Float(rank));
  data.set("q-index", E::Integer(q));
  addProtocolAnswer(protocol, expert, inputs, shown.reference, {given.variant}, shown.training,
                    data);
  if (shown.training) return;
  // Variants of one rank leave no scale to place the answer on: it is put in the middle.
  const double span = question.maximumRank - question.minimumRank;
  const double n = span != 0 ? (rank - question.minimumRank) / span : 0.5;
  const std::wstring block = std::to_wstring(shown.blockId);
  if (shown.pair)
    results.setPair(expert, block, fileId(shown.first), fileId(shown.second),
                    static_cast<float>(2 * n - 1));
  else
    results.setSingle(expert, block, fileId(shown.first), static_cast<float>(n));
}

}  // namespace

MT_CUSTOM::MT_CUSTOM()
    : VIXOmethod("Custom",
                 L"Custom method.\nYou can customize video order, question, the way it is "
                 L"displayed.") {}

std::vector<ValidationMessage> MT_CUSTOM::validate(const Task& task) const {
  std::vector<CustomQuestion> questions;
  const CustomQuestionParseResult result = parseCustomQuestions(
      questions, getTaskProperties().customQuestion.getStringProperty(task.properties));
  if (result.status != CustomQuestionParseResult::Error) return {};
  return {ValidationMessage(0, L"wrong custom question",
                            L"Error in custom question in line " + std::to_wstring(result.line) +
                                L": " + result.message)};
}

const std::vector<const props::Property*>& MT_CUSTOM::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list = p.inTableOrder(
      {&p.customQuestionType, &p.customQuestionPairDisplay, &p.customQuestion,
       &p.customQuestionInstructions, &p.customQuestionInstructions2, &p.shuffleSources});
  return list;
}

const QuestionPlanner* MT_CUSTOM::planner(const Task& task) const {
  const VixoProperties& p = getTaskProperties();
  const bool simultaneous = p.customQuestionPairDisplay.getEnumeratedProperty(task.properties) ==
                            VixoProperties::Simultaneously;
  switch (p.customQuestionType.getEnumeratedProperty(task.properties)) {
    case VixoProperties::OneVideo:
      return &single_;
    case VixoProperties::AllToRef:
      return simultaneous ? static_cast<const QuestionPlanner*>(&reference_) : &referenceRepeated_;
    case VixoProperties::AllToAll:
      return simultaneous ? &pairs_ : &pairsTwice_;
    default:
      return nullptr;
  }
}

// The questions are parsed anew; a text with an error still gives the questions read before
// it (validation has reported the error).
std::shared_ptr<VIXOplay> MT_CUSTOM::createPlay(const PlayContext& context) const {
  const Task& task = context.loadedTask.task;
  const VixoProperties& p = getTaskProperties();
  std::vector<CustomQuestion> questions;
  parseCustomQuestions(questions, p.customQuestion.getStringProperty(task.properties));
  const QuestionPlanner* chosen = planner(task);
  switch (p.customQuestionType.getEnumeratedProperty(task.properties)) {
    case VixoProperties::OneVideo: {
      auto recorder = std::make_shared<AnswerGetterAuto<QuestionDataSingle>>();
      auto performer =
          std::make_shared<QuestionPerformerSingle>(recorder.get(), std::move(questions));
      return single_.makePlay(context, std::move(performer), std::move(recorder));
    }
    case VixoProperties::AllToRef: {
      auto recorder = std::make_shared<AnswerGetterAuto<QuestionDataRef>>();
      auto performer = std::make_shared<QuestionPerformerRef>(recorder.get(), std::move(questions));
      return static_cast<const QuestionPlannerAllToRef*>(chosen)->makePlay(
          context, std::move(performer), std::move(recorder));
    }
    case VixoProperties::AllToAll: {
      auto recorder = std::make_shared<AnswerGetterAuto<QuestionDataPair>>();
      auto performer =
          std::make_shared<QuestionPerformerPair>(recorder.get(), std::move(questions));
      return static_cast<const QuestionPlannerAllToAll*>(chosen)->makePlay(
          context, std::move(performer), std::move(recorder));
    }
    default:
      return nullptr;
  }
}

void MT_CUSTOM::QuestionDataSingle::record(JSON& protocol, TestResults& results,
                                           const std::wstring& expert, const Answer& answer) const {
  recordCustom(protocol, results, {questions, false, file, nullptr, nullptr, blockId, training},
               expert, answer);
}

void MT_CUSTOM::QuestionDataRef::record(JSON& protocol, TestResults& results,
                                        const std::wstring& expert, const Answer& answer) const {
  recordCustom(protocol, results, {questions, false, file, nullptr, reference, blockId, training},
               expert, answer);
}

void MT_CUSTOM::QuestionDataPair::record(JSON& protocol, TestResults& results,
                                         const std::wstring& expert, const Answer& answer) const {
  recordCustom(protocol, results, {questions, true, first, second, nullptr, blockId, training},
               expert, answer);
}

bool MT_CUSTOM::QuestionPerformerSingle::perform(
    const QuestionPlannerSingleVideo::QuestionInit& init, VIXOplay& play, bool training) {
  VIXOplayer* player = play.context.player;
  if (!player || !recorder) return false;
  const Task& task = taskOf(play);
  const TaskFile& file = fileAt(task, init.file);
  const int n =
      registerQuestion(*recorder, QuestionDataSingle{&questions, &file, init.blockId, training});
  bool answered = false;
  do {
    if (!player->playVideo(instructions(task, false), file.path)) return false;
    answered = player->voteCustom(questions, n);
    if (player->isStopRequested()) return false;
  } while (!answered);
  return true;
}

bool MT_CUSTOM::QuestionPerformerRef::perform(const QuestionPlannerAllToRef::QuestionInit& init,
                                              VIXOplay& play, bool training) {
  VIXOplayer* player = play.context.player;
  if (!player || !recorder) return false;
  const Task& task = taskOf(play);
  const TaskFile& file = fileAt(task, init.file);
  const TaskFile& reference = fileAt(task, init.reference);
  const int n = registerQuestion(
      *recorder, QuestionDataRef{&questions, &file, &reference, init.blockId, training});
  return showCustomTwo(*player, task, questions, reference, file, n);
}

bool MT_CUSTOM::QuestionPerformerPair::perform(const QuestionPlannerAllToAll::QuestionInit& init,
                                               VIXOplay& play, bool training) {
  VIXOplayer* player = play.context.player;
  if (!player || !recorder) return false;
  const Task& task = taskOf(play);
  const auto [a, b] = drawSides(play, init.first, init.second);
  const int n =
      registerQuestion(*recorder, QuestionDataPair{&questions, a, b, init.blockId, training});
  return showCustomTwo(*player, task, questions, *a, *b, n);
}
