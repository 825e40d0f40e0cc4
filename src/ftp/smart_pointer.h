// Reference-counted sharing of an owned object, as the FTP command table keeps its entries.
//
// RCIPtr<T> shares one count holder between its copies; the holder deletes the object with the
// last copy. A holder marked unshareable is copied deeply instead (the copy gets its own T).
// Counts are atomic, so copies may live on different threads; the object itself is not guarded.
#pragma once

#include <atomic>
#include <utility>

namespace nsSmartPointer {

class RCObject {
 public:
  void AddReference() { m_iRefCount.fetch_add(1, std::memory_order_relaxed); }
  // Deletes this holder with its last reference.
  void RemoveReference() {
    if (m_iRefCount.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }
  void MarkUnshareable() { m_bShareable = false; }
  bool IsShareable() const { return m_bShareable; }
  bool IsShared() const { return m_iRefCount.load(std::memory_order_acquire) > 1; }

 protected:
  RCObject() = default;
  RCObject(const RCObject&) : m_iRefCount(0), m_bShareable(true) {}
  RCObject& operator=(const RCObject&) { return *this; }
  virtual ~RCObject() = default;

 private:
  std::atomic<int> m_iRefCount{0};
  bool m_bShareable = true;
};

template <class T>
class RCIPtr {
 public:
  // Takes ownership of a heap object (or none).
  explicit RCIPtr(T* pRealPtr = nullptr) : m_pCounter(new CountHolder(pRealPtr)) { Init(); }
  RCIPtr(const RCIPtr& other) : m_pCounter(other.m_pCounter) { Init(); }
  RCIPtr& operator=(const RCIPtr& other) {
    if (m_pCounter != other.m_pCounter) {
      CountHolder* previous = m_pCounter;
      m_pCounter = other.m_pCounter;
      Init();
      previous->RemoveReference();
    }
    return *this;
  }
  ~RCIPtr() { m_pCounter->RemoveReference(); }

  T* operator->() const { return m_pCounter->m_pPointee; }
  T& operator*() const { return *m_pCounter->m_pPointee; }
  T* get() const { return m_pCounter->m_pPointee; }
  explicit operator bool() const { return m_pCounter->m_pPointee != nullptr; }

 private:
  struct CountHolder : RCObject {
    explicit CountHolder(T* pointee) : m_pPointee(pointee) {}
    ~CountHolder() override { delete m_pPointee; }
    T* m_pPointee;
  };

  void Init() {
    if (!m_pCounter->IsShareable()) {
      T* copy = m_pCounter->m_pPointee ? new T(*m_pCounter->m_pPointee) : nullptr;
      m_pCounter = new CountHolder(copy);
    }
    m_pCounter->AddReference();
  }

  CountHolder* m_pCounter;
};

}  // namespace nsSmartPointer
