// The node model of the reactive value library: nodes, their shared handles, the lists of
// dependents and the notification walk.
//
// Reading a node recomputes it from its operands. Changing a variable calls
// updateDependents(), which runs the node's own onChanged() and then, depth first and
// synchronously on the calling thread, the walks of every registered dependent.
//
// Thread safety: any thread may read, set, connect and destroy nodes. A walk holds its list's
// lock only while it steps, and the current entry's pin while it calls that entry's dependent.
// Destroying a node waits until walks on other threads that are calling it through one of its
// registrations have returned; a node that loses a registration from inside a notification
// that reached it through that registration on the same thread does not wait for itself (the
// entry is removed when that walk leaves it). Re-entry is guarded per thread: a walk never
// re-enters a node that the same thread is already walking, and walks on different threads
// never swallow each other's notifications. Values are not guarded by this library; a
// variable that several threads write is written under a lock of its owner.
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

// The lock of one entry of a list of dependents: shared while a walk calls the entry's
// dependent (and while a link holds its own entry), exclusive while the entry is removed.
// Holds are counted, so one thread may hold it shared more than once. Shared holds cost two
// atomic operations; the mutex is used only by those who wait.
class Pin {
 public:
  void lockShared();
  void unlockShared();
  bool tryLockExclusive();
  void lockExclusive();
  void unlockExclusive();
  // Waits until at most `holds` shared holds remain (those of the calling thread).
  void waitForOthers(int holds);

  // The standard lock names, so that std::unique_lock and std::shared_lock take it.
  void lock() { lockExclusive(); }
  bool try_lock() { return tryLockExclusive(); }
  void unlock() { unlockExclusive(); }
  void lock_shared() { lockShared(); }
  void unlock_shared() { unlockShared(); }

 private:
  template <class Ready>
  void waitUntil(Ready ready);

  std::atomic<int> shared_{0};
  std::atomic<bool> exclusive_{false};
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
  explicit PinnedIterator(Container::iterator node);  // takes the pin (shared)
  void release();                                     // gives the pin back and points at the end

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
  // Removes an entry from the container once no walk stands on it.
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
