// The node model of the reactive value library: nodes, their shared handles, the lists of
// dependents and the notification walk.
//
// Reading a node recomputes it from its operands. Changing a variable calls
// updateDependents(), which runs the node's own onChanged() and then, depth first and
// synchronously on the calling thread, the walks of every registered dependent.
//
// Thread safety: any thread may read, set, connect and destroy nodes. Destroying a node waits
// until walks on other threads that are calling it through one of its registrations have
// returned; a node that loses a registration from inside a notification that reached it
// through that registration on the same thread does not wait for itself (the entry is removed
// when that walk leaves it). Re-entry is guarded per thread: a walk never re-enters a node that
// the same thread is already walking, and walks on different threads never swallow each
// other's notifications. Values are not guarded by this library; a variable that several
// threads write is written under a lock of its owner.
//
// Locks and their order. Two kinds of lock exist, both counting reader/writer locks (Pin):
//  - a list's lock, over the container of one node's dependents;
//  - an entry's pin, one per registration, held shared while a walk calls the entry's
//    dependent and for the whole life of the link that owns the entry.
// Who holds what:
//  - A walk holds the pin of the entry it stands on (shared) while it calls that entry's
//    dependent, and takes the list's lock (shared) only to step to the next entry, while it
//    still holds the pin of the entry it leaves.
//  - Removing an entry takes the entry's pin exclusively (waiting until the walks inside the
//    entry have returned; walks arriving meanwhile step over the entry), then the list's lock
//    exclusively to erase it.
//  - Inserting an entry takes the list's lock exclusively, and the new entry's pin, which no
//    other thread can know yet.
// So the order is: an entry's pin before its list's lock. Nobody waits for a pin while holding
// a list's lock: under the list's lock a walk only tries the next entry's pin and steps over an
// entry that is being removed. A list's lock is never held while user code runs, so every wait
// for it is short, and removal waits for a pin while holding nothing of the same list.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <type_traits>
#include <utility>

namespace connections {

class ExpressionBase;

// A counting reader/writer lock: the lock of a list of dependents, and the pin of one entry
// (shared while a walk calls the entry's dependent and while a link holds its own entry,
// exclusive while the entry is removed). Holds are counted, so one thread may hold it shared
// more than once. A waiting exclusive holder keeps new shared holders out. Shared holds cost
// two atomic operations; the mutex is used only by those who wait.
class Pin {
 public:
  // Waits while an exclusive holder has it or waits for it.
  void lockShared();
  // Fails at once, without waiting, when an exclusive holder has it or waits for it.
  bool tryLockShared();
  void unlockShared();
  // Waits for the other exclusive holder, then for every shared hold to be given back.
  void lockExclusive();
  void unlockExclusive();
  // Waits until at most `holds` shared holds remain (those of the calling thread).
  void waitForOthers(int holds);

  // The standard lock names, so that std::unique_lock and std::shared_lock take it.
  void lock() { lockExclusive(); }
  void unlock() { unlockExclusive(); }
  void lock_shared() { lockShared(); }
  void unlock_shared() { unlockShared(); }

 private:
  template <class Ready>
  void waitUntil(Ready ready);

  std::atomic<int> shared_{0};
  std::atomic<bool> exclusive_{false};  // held or waited for exclusively
  std::atomic<int> waiters_{0};
  std::mutex mutex_;
  std::condition_variable changed_;
};

struct DependentEntry {
  DependentEntry(std::shared_ptr<Pin> pin, ExpressionBase* dependent)
      : pin(std::move(pin)), dependent(dependent) {}
  std::shared_ptr<Pin> pin;
  std::atomic<ExpressionBase*> dependent;  // null once removed while a walk still stands on it
};

// An iterator into a list of dependents that holds the pin of the entry it points at (shared)
// as long as it points at one.
class PinnedIterator {
 public:
  using Container = std::multimap<int32_t, DependentEntry>;

  PinnedIterator() = default;
  PinnedIterator(PinnedIterator&& other) noexcept;
  PinnedIterator& operator=(PinnedIterator&& other) noexcept;
  ~PinnedIterator();

  bool atEnd() const { return !pin_; }

 private:
  friend class DependentList;
  friend class ExpressionBase;
  // Takes over a shared hold that the caller has on the entry's pin.
  PinnedIterator(Container::iterator node, std::shared_ptr<Pin> heldPin);
  void release();  // gives the pin back and points at the end

  Container::iterator node_{};
  std::shared_ptr<Pin> pin_;  // set while pointing at an entry (and holding it)
};

// The dependents of one node, in order of priority and then of registration.
class DependentList {
 public:
  DependentList() = default;
  DependentList(const DependentList&) = delete;
  DependentList& operator=(const DependentList&) = delete;

  PinnedIterator insert(int32_t priority, ExpressionBase* dependent);
  // Removes the iterator's entry and leaves the iterator at the end.
  void erase(PinnedIterator& it);
  size_t size() const;

 private:
  friend class ExpressionBase;
  PinnedIterator first();
  // Steps to the next entry; the entry left is removed when a removal was left to this walk.
  void advance(PinnedIterator& it, bool removeLeft);
  // The first entry from `node` on whose pin can be held, skipping entries being removed; the
  // list's lock must be held (shared).
  PinnedIterator pinFrom(PinnedIterator::Container::iterator node);
  // Removes an entry from the container once no walk stands on it: its pin, then the list's
  // lock, both exclusively.
  void removeEntry(PinnedIterator::Container::iterator node, const std::shared_ptr<Pin>& pin);

  // Held shared while a walk steps, exclusively while the container changes.
  mutable Pin lock_;
  PinnedIterator::Container entries_;
};

// A dependent node's registration in one operand's list.
class DependentLink {
 public:
  DependentLink() = default;
  DependentLink(const DependentLink&) = delete;
  DependentLink& operator=(const DependentLink&) = delete;
  ~DependentLink() { disconnect(); }

  void connect(DependentList& list, int32_t priority, ExpressionBase* dependent);
  void disconnect();

 private:
  DependentList* list_ = nullptr;  // set while linked
  PinnedIterator where_;
};

// The root of every node.
class ExpressionBase {
 public:
  ExpressionBase() = default;
  ExpressionBase(const ExpressionBase&) = delete;
  ExpressionBase& operator=(const ExpressionBase&) = delete;
  virtual ~ExpressionBase();

  // Runs onChanged() and notifies the dependents, depth first, on the calling thread.
  void updateDependents();
  // The node's own reaction to a change of an operand or of its own value.
  virtual void onChanged() {}

  DependentList& dependents() { return dependents_; }

 private:
  DependentList dependents_;
};

// A node whose value is of type T.
template <class T>
class ExpressionT : public ExpressionBase {
 public:
  using ValueType = T;
  // The value, computed anew on every call.
  virtual T get() = 0;
};

// The shared handle of a node. A handle of a derived node converts to a handle of its base.
template <class Node>
class NodePtr {
 public:
  using NodeType = Node;

  NodePtr() = default;
  NodePtr(std::nullptr_t) {}
  explicit NodePtr(std::shared_ptr<Node> node) : node_(std::move(node)) {}
  template <class Derived, class = std::enable_if_t<std::is_convertible_v<Derived*, Node*>>>
  NodePtr(const NodePtr<Derived>& other) : node_(other.shared()) {}

  bool isOk() const { return node_ != nullptr; }
  Node* operator->() const { return node_.get(); }
  Node& operator*() const { return *node_; }
  Node* get() const { return node_.get(); }
  const std::shared_ptr<Node>& shared() const { return node_; }
  void reset() { node_.reset(); }

 private:
  std::shared_ptr<Node> node_;
};

template <class T>
using ExpressionPtr = NodePtr<ExpressionT<T>>;

// Makes a node and its handle's count in one allocation.
template <class Node, class... Args>
NodePtr<Node> makeNode(Args&&... args) {
  return NodePtr<Node>(std::make_shared<Node>(std::forward<Args>(args)...));
}

}  // namespace connections
