#include "task/question_performer.h"

#include <random>

#include "player/vixo_player.h"
#include "task/task_properties.h"

namespace {

// A file of the play's own task. An index outside the list (a group without a reference, which
// validation refuses) gives an empty record, whose empty path the player cannot open.
const TaskFile& fileAt(const Task& task, int index) {
  static const TaskFile none{L"", L"", 0};
  return task.hasFile(index) ? task.files[index] : none;
}

template <class D>
int registerQuestion(AnswerGetterAuto<D>& recorder, const D& data) {
  const int number = static_cast<int>(recorder.questions.size());
  recorder.questions[number] = data;
  return number;
}

const Task& taskOf(const VIXOplay& play) { return play.context.loadedTask.task; }

// One draw of a fresh generator for a question's sides: true keeps the planner's order.
bool keepSides() {
  std::mt19937 generator(std::random_device{}());
  return (generator() & 1u) != 0;
}

// The two files of a pair question, in the order of one side draw.
std::pair<const TaskFile*, const TaskFile*> drawSides(const Task& task, int first, int second) {
  const bool keep = keepSides();
  return {&fileAt(task, keep ? first : second), &fileAt(task, keep ? second : first)};
}

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

const wchar_t kDsisReference[] = L"Following sequence is the reference one.";
const wchar_t kDsisImpaired[] =
    L"Following sequence is impaired.\n\nCompare it with reference picture that you have seen "
    L"before.\nAfter playback you will be asked to give your mark for this sequence.";
const wchar_t kDscqsIntro[] =
    L"Now you will evaluate quality of two video sequences, named \"Sequence A\" and \"Sequence "
    L"B\".\n";
const wchar_t kDscqsChoose[] = L"Choose sequence you want to watch first.";
const wchar_t kDscqsThen[] = L"\"\nThen you will be asked to give your mark for each sequence.";
const wchar_t kScacj[] =
    L"After test, you will be asked of your opinion about left and right sequence.";

}  // namespace

// ---------------------------------------------------------------- DSIS

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
    if (!player->playVideo(kDsisReference, reference.path)) return false;
    if (!player->playVideo(kDsisImpaired, file.path)) return false;
    marked = player->voteDSIS(n);
    if (player->isStopRequested()) return false;
  } while (!marked);
  return true;
}

// ---------------------------------------------------------------- DSCQS

bool DSCQSquestionPerformer::perform(const QuestionPlannerAllToRef::QuestionInit& init,
                                     VIXOplay& play, bool training) {
  if (!play.context.player || !recorder) return false;
  const Task& task = taskOf(play);
  const TaskFile& file = fileAt(task, init.file);
  const TaskFile& reference = fileAt(task, init.reference);
  const bool keep = keepSides();
  const int n = registerQuestion(
      *recorder, DSCQSquestionData{&file, &reference, !keep, init.blockId, training});
  return showAndVote(keep ? file.path : reference.path, keep ? reference.path : file.path,
                     play.context, n);
}

bool MT_DSCQS_I::QuestionPerformer::showAndVote(const std::wstring& pathA,
                                                const std::wstring& pathB, PlayContext& context,
                                                int question) {
  VIXOplayer* player = context.player;
  if (!player) return false;
  const char chosen =
      player->playChosenSequence(std::wstring(kDscqsIntro) + kDscqsChoose, pathA, pathB);
  if (chosen == 0) return false;
  const char other = chosen == 'B' ? 'A' : 'B';
  // Whether the second sequence played to its end is not examined: the vote follows anyway
  // and gives nothing once a stop was asked.
  player->playVideo(
      std::wstring(L"Please watch other sequence: \"Sequence ") + wchar_t(other) + kDscqsThen,
      other == 'A' ? pathA : pathB);
  char again = player->voteDSCQS(true, question);
  while (again != 0) {
    if (player->isStopRequested()) return false;
    const char letter = again == 'A' ? 'A' : 'B';
    player->playVideo(
        std::wstring(L"Please watch sequence: \"Sequence ") + wchar_t(letter) + kDscqsThen,
        letter == 'A' ? pathA : pathB);
    again = player->voteDSCQS(true, question);
  }
  return !player->isStopRequested();
}

bool MT_DSCQS_II::QuestionPerformer::showAndVote(const std::wstring& pathA,
                                                 const std::wstring& pathB, PlayContext& context,
                                                 int question) {
  VIXOplayer* player = context.player;
  if (!player) return false;
  const Task& task = context.loadedTask.task;
  char again = 0;
  do {
    if (player->isStopRequested()) return false;
    const long long k = getTaskProperties().repetitions.getIntegerProperty(task.properties);
    for (long long i = 0; i < k; ++i) {
      std::wstring text = kDscqsIntro;
      if (i == 0) {
        text += L"You will watch them ";
        if (k >= 2) text += std::to_wstring(k) + L" times ";
        text += L"and then you will be asked to give your mark for each sequence.";
      } else {
        text += L"You will be asked to give your mark for each sequence after " +
                std::to_wstring(k - i) + L" remaining time(s).";
      }
      if (!player->playVideoPair(text, pathA, pathB)) return false;
    }
    again = player->voteDSCQS(false, question);
  } while (again != 0);
  return !player->isStopRequested();
}

// ---------------------------------------------------------------- SCACJ

bool MT_SCACJ::QuestionPerformer::perform(const QuestionPlannerAllToAll::QuestionInit& init,
                                          VIXOplay& play, bool training) {
  VIXOplayer* player = play.context.player;
  if (!player || !recorder) return false;
  const Task& task = taskOf(play);
  const auto [left, right] = drawSides(task, init.first, init.second);
  const bool binary = getTaskProperties().scacjScale.getEnumeratedProperty(task.properties) ==
                      VixoProperties::BinaryScale;
  const int n =
      registerQuestion(*recorder, QuestionData{left, right, init.blockId, binary, training});
  bool marked = false;
  do {
    if (!player->playVideoPair(kScacj, left->path, right->path)) return false;
    marked = binary ? player->voteSCACJbinary(n) : player->voteSCACJ(n);
    if (player->isStopRequested()) return false;
  } while (!marked);
  return true;
}

// ---------------------------------------------------------------- Custom

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
  const auto [a, b] = drawSides(task, init.first, init.second);
  const int n =
      registerQuestion(*recorder, QuestionDataPair{&questions, a, b, init.blockId, training});
  return showCustomTwo(*player, task, questions, *a, *b, n);
}

// ---------------------------------------------------------------- plays of the methods

std::shared_ptr<VIXOplay> MT_DSIS::createPlay(const PlayContext& context) const {
  auto recorder = std::make_shared<AnswerGetterAuto<QuestionData>>();
  auto performer = std::make_shared<QuestionPerformer>(recorder.get());
  return planner_.makePlay(context, std::move(performer), std::move(recorder));
}

std::shared_ptr<VIXOplay> MT_DSCQS_I::createPlay(const PlayContext& context) const {
  auto recorder = std::make_shared<AnswerGetterAuto<DSCQSquestionData>>();
  auto performer = std::make_shared<QuestionPerformer>(recorder);
  return planner_.makePlay(context, std::move(performer), std::move(recorder));
}

std::shared_ptr<VIXOplay> MT_DSCQS_II::createPlay(const PlayContext& context) const {
  auto recorder = std::make_shared<AnswerGetterAuto<DSCQSquestionData>>();
  auto performer = std::make_shared<QuestionPerformer>(recorder);
  return planner_.makePlay(context, std::move(performer), std::move(recorder));
}

std::shared_ptr<VIXOplay> MT_SCACJ::createPlay(const PlayContext& context) const {
  auto recorder = std::make_shared<AnswerGetterAuto<QuestionData>>();
  auto performer = std::make_shared<QuestionPerformer>(recorder.get());
  return planner_.makePlay(context, std::move(performer), std::move(recorder));
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
