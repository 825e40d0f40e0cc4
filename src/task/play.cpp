#include "task/play.h"

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
  block.clear();
  for (int i = 0; i < n; ++i) block.push_back(pool[random.below(pool.size())]);
  posInBlock = 0;
  return true;
}

template <class Item>
void BlockPlay<Item>::arrangeBlock(std::vector<Item>& items) {
  if (getTaskProperties().shuffleSources.getBoolProperty(context.loadedTask.task.properties))
    random.shuffle(items);
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

// Loads into copies and takes them over only when the whole state fits this play's task. The
// counters must be able to go on: a pass holds at most kMaxPassQuestions questions, so a saved
// pass never has a position, a count or a block number beyond that, and one that has would
// overflow on the next question.
template <class Item>
bool BlockPlay<Item>::loadState(Brindle::JSON state) {
  int pos = posInBlock, count = answered, id = blockId;
  bool nextTraining = nextBlockTraining, currentTraining = currentBlockTraining;
  std::vector<Item> items = block;
  Brindle::JSON events = protocol;
  stateScheme(pos, count, items, id, nextTraining, currentTraining, events).load(state);
  const auto counter = [](int v) { return v >= 0 && v <= QuestionPlanner::kMaxPassQuestions; };
  if (!counter(pos) || !counter(count) || !counter(id) || !events.isArray() || !fits(items))
    return false;
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
