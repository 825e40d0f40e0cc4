#include "task/play.h"

#include <random>

#include "avifile/settings_scheme.h"
#include "task/answer_getter.h"
#include "task/task_properties.h"

// ---------------------------------------------------------------- base

VIXOplay::VIXOplay(const QuestionPlanner* planner, PlayContext context,
                   std::shared_ptr<AnswerGetterBase> recorder)
    : planner(planner),
      context(std::move(context)),
      recorder(std::move(recorder)),
      protocol(newProtocol()) {
  if (this->recorder) {
    this->recorder->protocol = &protocol;
    this->recorder->results = &this->context.results;
  }
}

VIXOplay::~VIXOplay() = default;

float VIXOplay::progress() const {
  const int total = planner ? planner->totalQuestions(context.loadedTask.task) : 0;
  if (total < 1) return 0.0f;
  return static_cast<float>(answeredCount()) / static_cast<float>(total);
}

bool VIXOplay::isFinished() const {
  const int total = planner ? planner->totalQuestions(context.loadedTask.task) : 0;
  return total <= answeredCount();
}

template <class T>
void shuffleBlock(std::vector<T>& items) {
  std::mt19937 generator(std::random_device{}());
  for (size_t k = 1; k < items.size(); ++k) {
    const size_t j = std::uniform_int_distribution<size_t>(0, k)(generator);
    if (j != k) std::swap(items[k], items[j]);
  }
}

template void shuffleBlock<int>(std::vector<int>&);
template void shuffleBlock<std::pair<int, int>>(std::vector<std::pair<int, int>>&);

// ---------------------------------------------------------------- blocks

template <class Item>
bool BlockPlay<Item>::isFinished() const {
  return VIXOplay::isFinished() || candidates().empty();
}

// The training block: questions drawn with replacement from the unshuffled candidates. None is
// made when there are no training questions or nothing to draw from.
template <class Item>
bool BlockPlay<Item>::makeTrainingBlock() {
  nextBlockTraining = false;
  const int n = planner->trainingQuestions(context.loadedTask.task);
  const std::vector<Item> pool = candidates();
  if (n <= 0 || pool.empty()) return false;
  currentBlockTraining = true;
  std::mt19937 generator(std::random_device{}());
  std::uniform_int_distribution<size_t> draw(0, pool.size() - 1);
  block.clear();
  for (int i = 0; i < n; ++i) block.push_back(pool[draw(generator)]);
  posInBlock = 0;
  return true;
}

template <class Item>
void BlockPlay<Item>::arrangeBlock(std::vector<Item>& items) const {
  if (getTaskProperties().shuffleSources.getBoolProperty(context.loadedTask.task.properties))
    shuffleBlock(items);
}

template <class Item>
void BlockPlay<Item>::nextQuestion() {
  if (posInBlock < 0) posInBlock = 0;
  if (static_cast<size_t>(posInBlock) >= block.size()) {
    if (!(nextBlockTraining && makeTrainingBlock())) {
      block = candidates();
      arrangeBlock(block);
      blockId += 1;
      posInBlock = 0;
      currentBlockTraining = false;
    }
  }
  if (static_cast<size_t>(posInBlock) >= block.size()) return;  // nothing to ask
  if (ask(block[posInBlock])) {
    posInBlock += 1;
    answered += 1;
  }
}

namespace {

// The state document's members, in their order, over the given fields.
template <class Item>
SettingsScheme::Object stateScheme(int& posInBlock, int& answered, std::vector<Item>& block,
                                   int& blockId, bool& nextBlockTraining,
                                   bool& currentBlockTraining, Brindle::JSON& protocol) {
  SettingsScheme::Object scheme;
  scheme.add(L"currentPosInBlock", &posInBlock)
      .add(L"currentQuestion", &answered)
      .add(L"currentFilesBlock", &block)
      .add(L"currentBlockId", &blockId)
      .add(L"nextBlockTraining", &nextBlockTraining)
      .add(L"currentBlockTraining", &currentBlockTraining)
      .add(L"protocol", &protocol);
  return scheme;
}

}  // namespace

template <class Item>
void BlockPlay<Item>::saveState(Brindle::JSON& state) const {
  auto& self = const_cast<BlockPlay&>(*this);  // the scheme binds fields; saving only reads
  state = stateScheme(self.posInBlock, self.answered, self.block, self.blockId,
                      self.nextBlockTraining, self.currentBlockTraining, self.protocol)
              .save();
}

template <class Item>
bool BlockPlay<Item>::fits(const std::vector<Item>& items) const {
  const Task& task = context.loadedTask.task;
  for (const Item& item : items) {
    if constexpr (std::is_same_v<Item, int>) {
      if (!task.hasFile(item)) return false;
    } else {
      if (!task.hasFile(item.first) || !task.hasFile(item.second)) return false;
    }
  }
  return true;
}

// Loads into copies and takes them over only when the whole state fits this play's task.
template <class Item>
bool BlockPlay<Item>::loadState(Brindle::JSON state) {
  int pos = posInBlock, count = answered, id = blockId;
  bool nextTraining = nextBlockTraining, currentTraining = currentBlockTraining;
  std::vector<Item> items = block;
  Brindle::JSON events = protocol;
  stateScheme(pos, count, items, id, nextTraining, currentTraining, events).load(state);
  if (pos < 0 || count < 0 || id < 0 || !events.isArray() || !fits(items)) return false;
  posInBlock = pos;
  answered = count;
  blockId = id;
  nextBlockTraining = nextTraining;
  currentBlockTraining = currentTraining;
  block = std::move(items);
  protocol = std::move(events);
  return true;
}

template class BlockPlay<int>;
template class BlockPlay<std::pair<int, int>>;

// ---------------------------------------------------------------- all to reference

QuestionPlannerAllToRef::Play::Play(const QuestionPlannerAllToRef* planner, PlayContext context,
                                    std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                    std::shared_ptr<AnswerGetterBase> recorder)
    : BlockPlay<int>(planner, std::move(context), std::move(recorder)),
      performer(std::move(performer)),
      allToRef(planner) {}

std::vector<int> QuestionPlannerAllToRef::Play::candidates() const {
  return testFiles(context.loadedTask.task);
}

bool QuestionPlannerAllToRef::Play::ask(const int& file) {
  const Task& task = context.loadedTask.task;
  const QuestionInit init{file, task.referenceOfGroup(task.files[file].group), blockId};
  return performer->perform(init, *this, currentBlockTraining);
}

std::shared_ptr<VIXOplay> QuestionPlannerAllToRef::makePlay(
    PlayContext context, std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
    std::shared_ptr<AnswerGetterBase> recorder) const {
  return std::make_shared<Play>(this, std::move(context), std::move(performer),
                                std::move(recorder));
}

// ---------------------------------------------------------------- single video

QuestionPlannerSingleVideo::Play::Play(const QuestionPlannerSingleVideo* planner,
                                       PlayContext context,
                                       std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                       std::shared_ptr<AnswerGetterBase> recorder)
    : BlockPlay<int>(planner, std::move(context), std::move(recorder)),
      performer(std::move(performer)),
      singleVideo(planner) {}

std::vector<int> QuestionPlannerSingleVideo::Play::candidates() const {
  return filesInUse(context.loadedTask.task);
}

bool QuestionPlannerSingleVideo::Play::ask(const int& file) {
  return performer->perform(QuestionInit{file, blockId}, *this, currentBlockTraining);
}

std::shared_ptr<VIXOplay> QuestionPlannerSingleVideo::makePlay(
    PlayContext context, std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
    std::shared_ptr<AnswerGetterBase> recorder) const {
  return std::make_shared<Play>(this, std::move(context), std::move(performer),
                                std::move(recorder));
}

// ---------------------------------------------------------------- all to all

QuestionPlannerAllToAll::Play::Play(const QuestionPlannerAllToAll* planner, PlayContext context,
                                    std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
                                    std::shared_ptr<AnswerGetterBase> recorder)
    : BlockPlay<std::pair<int, int>>(planner, std::move(context), std::move(recorder)),
      allToAll(planner),
      performer(std::move(performer)) {}

std::vector<std::pair<int, int>> QuestionPlannerAllToAll::Play::candidates() const {
  const Task& task = context.loadedTask.task;
  std::map<int, std::vector<int>> members;
  for (int i : filesInUse(task)) members[task.files[i].group].push_back(i);
  std::vector<std::pair<int, int>> pairs;
  for (const auto& [group, files] : members)
    for (size_t i = 0; i < files.size(); ++i)
      for (size_t j = i + 1; j < files.size(); ++j) pairs.emplace_back(files[i], files[j]);
  return pairs;
}

void QuestionPlannerAllToAll::Play::arrangeBlock(std::vector<std::pair<int, int>>& items) const {
  shuffleBlock(items);
  const long long limit =
      getTaskProperties().limitPairs.getIntegerProperty(context.loadedTask.task.properties);
  if (limit > 0 && static_cast<size_t>(limit) < items.size())
    items.resize(static_cast<size_t>(limit));
}

bool QuestionPlannerAllToAll::Play::ask(const std::pair<int, int>& pair) {
  return performer->perform(QuestionInit{pair.first, pair.second, blockId}, *this,
                            currentBlockTraining);
}

std::shared_ptr<VIXOplay> QuestionPlannerAllToAll::makePlay(
    PlayContext context, std::shared_ptr<QuestionPerformer<QuestionInit>> performer,
    std::shared_ptr<AnswerGetterBase> recorder) const {
  return std::make_shared<Play>(this, std::move(context), std::move(performer),
                                std::move(recorder));
}
