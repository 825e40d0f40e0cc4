#include "task/method_samviq.h"

#include <algorithm>
#include <list>
#include <memory>
#include <string>
#include <utility>

#include "avifile/avi_system.h"
#include "avifile/settings_scheme.h"
#include "player/vixo_player.h"
#include "task/answer_getter.h"
#include "task/custom_question.h"
#include "task/saturating.h"
#include "task/task_properties.h"
#include "task/validation.h"

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

// The vote's answer for leaving the group; -1 asks for the reference.
constexpr int kLeaveGroup = -2;

// The state document's members, in their order, over the given fields.
SettingsScheme::Object stateScheme(std::list<std::pair<int, int>>& results, JSON& protocol,
                                   std::vector<int>& videoOrder, int& groupId, int& nextVideo) {
  SettingsScheme::Object scheme;
  scheme.add(L"results", &results)
      .add(L"protocol", &protocol)
      .add(L"videoOrder", &videoOrder)
      .add(L"groupId", &groupId)
      .add(L"nextVideo", &nextVideo);
  return scheme;
}

bool positionInOrder(int position, const std::vector<int>& order) {
  return position >= -1 && position < static_cast<int>(order.size());
}

std::wstring instruction(int position) {
  if (position < 0)
    return L"Now you are watching the reference video.\n\nIts quality is not evaluated.";
  const std::string label = variantLabel(position);  // ASCII letters only
  return L"Now you are watching impaired video " + std::wstring(label.begin(), label.end()) +
         L".\n\nAfter playback you will be asked to give your opinion on it.";
}

}  // namespace

int64_t SamviqQuestionPlanner::estimatedDuration(const Task& task, VideoInfoCache& media) const {
  int64_t sum = 0;
  for (int i : filesInUse(task))
    sum = saturating::add(
        sum, saturating::multiply<int64_t>(playingTime(task, task.files[i].path, media),
                                           task.references.count(i) ? 2 : 1));
  return sum;
}

int SamviqQuestionPlanner::totalQuestions(const Task& task) const {
  return saturating::toInt(static_cast<long long>(filesInUse(task).size()));
}

MT_SAMVIQ::MT_SAMVIQ()
    : VIXOmethod("SAMVIQ",
                 L"Subjective Assessment Method for Video Quality evaluation\n(SAMVIQ, from "
                 L"EBU).\nObserver is able to play any sequence from the test set and give it "
                 L"mark, plus observer is able to play reference video.") {}

std::vector<ValidationMessage> MT_SAMVIQ::validate(const Task& task) const {
  return refuseOnline(task, name);
}

const std::vector<const props::Property*>& MT_SAMVIQ::properties() const {
  const VixoProperties& p = getTaskProperties();
  static const std::vector<const props::Property*> list = p.inTableOrder({&p.pauseAllowed});
  return list;
}

MT_SAMVIQ::Play::Play(const QuestionPlanner* planner, PlayContext context)
    : VIXOplay(planner, std::move(context), nullptr) {}

std::shared_ptr<VIXOplay> MT_SAMVIQ::createPlay(const PlayContext& context) const {
  if (!planner_.planTooLarge(context.loadedTask.task).empty()) return nullptr;
  return std::make_shared<Play>(&planner_, context);
}

void MT_SAMVIQ::Play::nextQuestion() {
  const Task& task = context.loadedTask.task;
  const std::map<int, int> groups = task.groupSizes();

  if (videoOrder.empty()) {
    marks.clear();
    const auto next = groups.upper_bound(groupId);
    if (next == groups.end()) {
      finished = true;
      return;
    }
    groupId = next->first;
    for (size_t i = 0; i < task.files.size(); ++i)
      if (task.files[i].group == groupId) videoOrder.push_back(static_cast<int>(i));
    random.shuffle(videoOrder);
  }

  const int ref = task.referenceOfGroup(groupId);
  // Validation requires a reference in every group; a group without one starts at its first
  // lettered sequence instead.
  if (nextVideo < 0 && ref < 0) nextVideo = 0;
  const int current = nextVideo < 0 ? ref : videoOrder[nextVideo];
  if (!context.player) return;  // a context made without a player shows nothing

  if (!context.player->playVideo(instruction(nextVideo), task.files[current].path)) return;

  const bool last = groups.upper_bound(groupId) == groups.end();
  const std::map<int, int> before = marks;
  const int choice = context.player->voteSAMVIQ(videoOrder, marks, nextVideo, last);
  // Only marks of the group's sequences within 0..100 are kept, so that a saved state always
  // loads again.
  for (auto it = marks.begin(); it != marks.end();) {
    if (std::find(videoOrder.begin(), videoOrder.end(), it->first) == videoOrder.end()) {
      it = marks.erase(it);
    } else {
      it->second = std::clamp(it->second, 0, 100);
      ++it;
    }
  }
  // A stop asked before or during the vote: a turn without a new mark is not a turn, and
  // the sequence is shown again when the pass resumes.
  const bool stopped = context.player->isStopRequested();
  if (stopped && marks == before) return;

  JSON newAnswers{E::Object()};
  for (const auto& [file, mark] : marks) {
    const TaskFile& f = task.files[file];
    const auto old = before.find(file);
    if (old == before.end() || old->second != mark) newAnswers.set(toUtf8(f.id), E::Integer(mark));
    context.results.setSingle(context.expert, L"0", f.id, static_cast<float>(mark) / 100.0f);
  }
  JSON data{E::Object()};
  data.set("explicit-ref", JSON(nextVideo < 0));
  data.set("new-answers", newAnswers);
  addProtocolAnswer(protocol, context.expert, {task.files[current].id},
                    ref >= 0 ? &task.files[ref] : nullptr, {}, false, data);

  if (stopped) return;
  if (choice == kLeaveGroup) {
    videoOrder.clear();
    nextVideo = -1;
    if (last) finished = true;
    return;
  }
  // A position outside the order (or the reference of a group that has none) would be shown
  // from nothing on the next turn; the current one stays instead.
  if (!positionInOrder(choice, videoOrder) || (choice < 0 && ref < 0)) return;
  nextVideo = choice;
}

void MT_SAMVIQ::Play::saveState(JSON& state) const {
  std::list<std::pair<int, int>> results(marks.begin(), marks.end());
  std::vector<int> order = videoOrder;
  int group = groupId, position = nextVideo;
  auto& events = const_cast<JSON&>(protocol);  // the scheme binds fields; saving only reads
  state = stateScheme(results, events, order, group, position).save();
}

// Loads into copies and takes them over only when the whole state fits this play's task.
bool MT_SAMVIQ::Play::loadState(JSON state) {
  std::list<std::pair<int, int>> results(marks.begin(), marks.end());
  JSON events = protocol;
  std::vector<int> order = videoOrder;
  int group = groupId, position = nextVideo;
  stateScheme(results, events, order, group, position).load(state);

  const Task& task = context.loadedTask.task;
  if (!events.isArray() || group < 0 || !positionInOrder(position, order)) return false;
  for (int file : order)
    if (!task.hasFile(file)) return false;
  std::map<int, int> loaded = marks;
  for (const auto& [file, mark] : results) {
    if (!task.hasFile(file) || mark < 0 || mark > 100) return false;
    loaded.insert({file, mark});  // a file already marked keeps its mark
  }

  protocol = std::move(events);
  videoOrder = std::move(order);
  groupId = group;
  nextVideo = position;
  marks = std::move(loaded);
  return true;
}
