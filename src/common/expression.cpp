#include "common/expression.h"

#include <shared_mutex>
#include <vector>

namespace connections {

namespace {

// One notification walk in progress on this thread. Frames live on the stack of
// updateDependents(); the thread keeps them in order, innermost last.
struct WalkFrame {
  const ExpressionBase* node;
  bool destroyed = false;                      // the node went away inside its own walk
  const DependentEntry* standingOn = nullptr;  // the entry whose dependent the walk calls
  bool removeLeft = false;                     // that entry was removed meanwhile by this thread
};

thread_local std::vector<WalkFrame*> t_walks;

WalkFrame* frameStandingOn(const DependentEntry* entry) {
  for (WalkFrame* f : t_walks)
    if (f->standingOn == entry) return f;
  return nullptr;
}

}  // namespace

// ---------------------------------------------------------------- pins
//
// Memory ordering: a shared holder raises the count and then looks at the exclusive flag; an
// exclusive holder sets the flag and then looks at the count. Both use sequentially consistent
// operations, so at least one of the two sees the other: the shared holder backs off, or the
// exclusive one waits for the count. Whoever waits counts itself in waiters_ before it looks;
// whoever releases looks at waiters_ after it released, and wakes them under the mutex.

template <class Ready>
void Pin::waitUntil(Ready ready) {
  waiters_.fetch_add(1);
  {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, ready);
  }
  waiters_.fetch_sub(1);
}

bool Pin::tryLockShared() {
  if (exclusive_.load()) return false;
  shared_.fetch_add(1);
  if (!exclusive_.load()) return true;
  unlockShared();
  return false;
}

void Pin::lockShared() {
  while (!tryLockShared()) waitUntil([this] { return !exclusive_.load(); });
}

void Pin::unlockShared() {
  shared_.fetch_sub(1);
  if (waiters_.load() > 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    changed_.notify_all();
  }
}

void Pin::lockExclusive() {
  for (bool expected = false; !exclusive_.compare_exchange_strong(expected, true); expected = false)
    waitUntil([this] { return !exclusive_.load(); });
  // From here on new shared holders back off; the present ones are waited for.
  waitUntil([this] { return shared_.load() == 0; });
}

void Pin::unlockExclusive() {
  exclusive_.store(false);
  if (waiters_.load() > 0) {
    std::lock_guard<std::mutex> lock(mutex_);
    changed_.notify_all();
  }
}

void Pin::waitForOthers(int holds) {
  waitUntil([this, holds] { return shared_.load() <= holds; });
}

// ---------------------------------------------------------------- pinned iterators

PinnedIterator::PinnedIterator(Container::iterator node, std::shared_ptr<Pin> heldPin)
    : node_(node), pin_(std::move(heldPin)) {}

PinnedIterator::PinnedIterator(PinnedIterator&& other) noexcept
    : node_(other.node_), pin_(std::move(other.pin_)) {
  other.pin_.reset();
}

PinnedIterator& PinnedIterator::operator=(PinnedIterator&& other) noexcept {
  if (this != &other) {
    release();
    node_ = other.node_;
    pin_ = std::move(other.pin_);
    other.pin_.reset();
  }
  return *this;
}

PinnedIterator::~PinnedIterator() { release(); }

void PinnedIterator::release() {
  if (pin_) {
    pin_->unlockShared();
    pin_.reset();
  }
}

// ---------------------------------------------------------------- lists

PinnedIterator DependentList::insert(int32_t priority, ExpressionBase* dependent) {
  std::unique_lock<Pin> lock(lock_);
  // A multimap inserts behind every entry of equal priority.
  auto pin = std::make_shared<Pin>();
  pin->lockShared();  // nobody else knows the new pin: this never waits
  auto node = entries_.emplace(std::piecewise_construct, std::forward_as_tuple(priority),
                               std::forward_as_tuple(pin, dependent));
  return PinnedIterator(node, std::move(pin));
}

size_t DependentList::size() const {
  std::shared_lock<Pin> lock(lock_);
  return entries_.size();
}

PinnedIterator DependentList::pinFrom(PinnedIterator::Container::iterator node) {
  // Under the list's lock no pin is waited for: an entry whose pin is taken (or wanted)
  // exclusively is being removed, and the walk steps over it.
  for (; node != entries_.end(); ++node)
    if (node->second.pin->tryLockShared()) return PinnedIterator(node, node->second.pin);
  return PinnedIterator();
}

PinnedIterator DependentList::first() {
  std::shared_lock<Pin> lock(lock_);
  return pinFrom(entries_.begin());
}

void DependentList::advance(PinnedIterator& it, bool removeLeft) {
  const auto left = it.node_;
  std::shared_ptr<Pin> leftPin = std::move(it.pin_);
  it.pin_.reset();
  {
    // The pin of the entry left is still held, so the entry is still in the container.
    std::shared_lock<Pin> lock(lock_);
    it = pinFrom(std::next(left));
  }
  leftPin->unlockShared();
  if (removeLeft) removeEntry(left, leftPin);
}

void DependentList::removeEntry(PinnedIterator::Container::iterator node,
                                const std::shared_ptr<Pin>& pin) {
  pin->lockExclusive();  // the walks inside the entry return; new ones step over it
  {
    std::unique_lock<Pin> lock(lock_);
    entries_.erase(node);
  }
  pin->unlockExclusive();
}

void DependentList::erase(PinnedIterator& it) {
  if (it.atEnd()) return;
  const auto node = it.node_;
  const std::shared_ptr<Pin> pin = it.pin_;  // outlives the entry while it is removed
  it.release();
  WalkFrame* standing = frameStandingOn(&node->second);
  if (!standing) {
    removeEntry(node, pin);
    return;
  }
  // This thread is inside a notification through this very entry: it must not wait for its
  // own walk. The entry is cleared now, so no walk calls it again, and removed when this
  // thread's walk leaves it; walks of other threads inside it are waited for.
  node->second.dependent.store(nullptr);
  standing->removeLeft = true;
  pin->waitForOthers(1);
}

// ---------------------------------------------------------------- links

void DependentLink::connect(DependentList& list, int32_t priority, ExpressionBase* dependent) {
  disconnect();
  where_ = list.insert(priority, dependent);
  list_ = &list;
}

void DependentLink::disconnect() {
  if (list_) list_->erase(where_);  // leaves where_ at the end
  list_ = nullptr;
}

// ---------------------------------------------------------------- nodes

ExpressionBase::~ExpressionBase() {
  for (WalkFrame* f : t_walks)
    if (f->node == this) f->destroyed = true;
}

void ExpressionBase::updateDependents() {
  for (WalkFrame* f : t_walks)
    if (f->node == this) return;  // this thread is walking this node already
  WalkFrame frame{this};
  t_walks.push_back(&frame);
  struct Pop {
    ~Pop() { t_walks.pop_back(); }
  } pop;

  onChanged();
  if (frame.destroyed) return;
  PinnedIterator it = dependents_.first();
  while (!it.atEnd()) {
    ExpressionBase* const dependent = it.node_->second.dependent.load();
    frame.standingOn = &it.node_->second;
    try {
      if (dependent) dependent->updateDependents();
    } catch (...) {
      frame.standingOn = nullptr;
      if (!frame.destroyed && frame.removeLeft) dependents_.advance(it, true);
      throw;
    }
    frame.standingOn = nullptr;
    if (frame.destroyed) return;  // the list went with the node; `it` only gives its pin back
    const bool removeLeft = frame.removeLeft;
    frame.removeLeft = false;
    dependents_.advance(it, removeLeft);
  }
}

}  // namespace connections
