// Variables and constants, and the binding of a variable to a source expression.
//
// set() of a variable that holds its value stores a different value and notifies the
// dependents on the calling thread before it returns; an equal value changes nothing. A
// variable bound with assign() takes its source's value at once and on every change of the
// source, until it is unbound (assign with an empty handle) or destroyed; a direct set() keeps
// the binding, and a binding never writes back to its source.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <type_traits>

#include "common/expression.h"
#include "common/operations.h"

namespace connections {

// How values of a type compare and convert. Specialised where the type's own operators do not
// say what a change is (colours) or where a conversion is needed (narrow to toolkit text).
template <class T>
struct ValueTraits {
  static bool equal(const T& a, const T& b) { return a == b; }
};

template <class T, class U>
struct ValueConversion {
  static T convert(const U& value) { return T(value); }
};

template <class T>
struct ValueConversion<T, T> {
  static const T& convert(const T& value) { return value; }
};

// Storage of a variable's value. Small plain values are atomic, so that a waiter reading a
// flag while another thread sets it (under the owner's lock) is well defined; other values
// are plain, as they change on one thread; those are read in place, so that comparing a new
// value with the old one copies nothing.
template <class T, bool Atomic = std::is_trivially_copyable_v<T> && sizeof(T) <= sizeof(void*)>
class ValueCell {
 public:
  explicit ValueCell(T v) : value_(std::move(v)) {}
  const T& load() const { return value_; }
  void store(const T& v) { value_ = v; }

 private:
  T value_;
};

template <class T>
class ValueCell<T, true> {
 public:
  explicit ValueCell(T v) : value_(v) {}
  T load() const { return value_.load(std::memory_order_acquire); }
  void store(const T& v) { value_.store(v, std::memory_order_release); }

 private:
  std::atomic<T> value_;
};

// A writable node.
template <class T>
class Variable : public ExpressionT<T> {
 public:
  // What a variable owns as its binding, whatever the source's value type.
  class AssignmentReaderBase {
   public:
    virtual ~AssignmentReaderBase() = default;
    // Copies the source's value into the target now.
    virtual void apply() = 0;
  };

  // The binding by which this variable takes the value of a source of value type U: an
  // identity operation over the source (its operand), registered in the source's list.
  template <class U>
  class AssignmentReader : public UnaryOp<U>::template Operation<Id>, public AssignmentReaderBase {
   public:
    AssignmentReader(Variable<T>* target, ExpressionPtr<U> source)
        : UnaryOp<U>::template Operation<Id>(std::move(source)), target(target) {}
    void onChanged() override { apply(); }
    void apply() override {
      ExpressionPtr<U> from = this->l;
      target->set(ValueConversion<T, U>::convert(from->get()));
    }

    Variable<T>* target;
  };

  virtual void set(const T& value) = 0;

  // Binds this variable to the source, or unbinds it when the handle is empty.
  template <class S>
  void assign(const NodePtr<S>& source) {
    using U = typename S::ValueType;
    if (!source.isOk()) {
      binding.reset();
      return;
    }
    auto reader = std::make_shared<AssignmentReader<U>>(this, ExpressionPtr<U>(source));
    binding = reader;  // the old binding, if any, goes now
    reader->apply();
  }
  void assign(std::nullptr_t) { binding.reset(); }

  // Empty while the variable is not bound.
  std::shared_ptr<AssignmentReaderBase> binding;
};

// A variable that keeps its value.
template <class T>
class VariableMem : public Variable<T> {
 public:
  explicit VariableMem(T initial = T()) : value(std::move(initial)) {}

  T get() override { return value.load(); }
  void set(const T& v) override {
    if (ValueTraits<T>::equal(value.load(), v)) return;
    value.store(v);
    this->updateDependents();
  }

  ValueCell<T> value;
};

// A node with a fixed value; it never notifies.
template <class T>
class Constant : public ExpressionT<T> {
 public:
  explicit Constant(T v) : value(std::move(v)) {}
  T get() override { return value; }

  const T value;
};

template <class T>
using VariablePtr = NodePtr<Variable<T>>;
template <class T>
using VariableMemPtr = NodePtr<VariableMem<T>>;
template <class T>
using ConstantPtr = NodePtr<Constant<T>>;

template <class T>
VariableMemPtr<T> makeVariableMem(T initial) {
  return makeNode<VariableMem<T>>(std::move(initial));
}

template <class T>
ConstantPtr<T> makeConstant(T value) {
  return makeNode<Constant<T>>(std::move(value));
}

}  // namespace connections
