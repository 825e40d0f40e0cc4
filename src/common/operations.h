// Nodes computed from other nodes (unary, binary and ternary operations, functors), the
// listener that turns change notices into evaluations, and the builders that make them.
//
// Every node here owns a handle of each operand and registers itself in each operand's list of
// dependents when it is made; its destructor removes those registrations first (the last one
// first), then lets the callable and the operands go. That order is the order in which the
// members are destroyed, so the links must stay the last members. Evaluation takes no lock and
// caches nothing: both operands of a binary operation are evaluated, the right one first, and
// a functor's operands from the last to the first.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "avifile/assertion.h"
#include "common/expression.h"

namespace connections {

namespace detail {
// Every operand is checked before the node registers anywhere; the reported text is "l.isOk()".
template <class L>
void checkOperand(const L& l) {
  VIXO_ASSERT(l.isOk());
}
}  // namespace detail

// ---------------------------------------------------------------- unary operations

struct Not {
  template <class T>
  using Result = bool;
  template <class T>
  static bool apply(const T& v) {
    return !v;
  }
};

struct Id {
  template <class T>
  using Result = T;
  template <class T>
  static T apply(T v) {
    return v;
  }
};

template <class T, class Tag>
class UnaryOperation : public ExpressionT<typename Tag::template Result<T>> {
 public:
  using Result = typename Tag::template Result<T>;

  explicit UnaryOperation(ExpressionPtr<T> l) : l(std::move(l)) {
    detail::checkOperand(this->l);
    link_.connect(this->l->dependents(), 0, this);
  }

  Result get() override {
    ExpressionPtr<T> operand = l;
    return Tag::apply(operand->get());
  }

  ExpressionPtr<T> l;

 private:
  DependentLink link_;  // must stay the last member
};

// The unary operation over an operand of value type T with the tag: UnaryOp<T>::Operation<Not>.
template <class T>
struct UnaryOp {
  template <class Tag>
  using Operation = UnaryOperation<T, Tag>;
};

// ---------------------------------------------------------------- binary operations

struct Equals {
  template <class A, class B>
  static bool apply(const A& l, const B& r) {
    return l == r;
  }
};
struct NEquals {
  template <class A, class B>
  static bool apply(const A& l, const B& r) {
    return l != r;
  }
};
struct ME {  // more or equal
  template <class A, class B>
  static bool apply(const A& l, const B& r) {
    return l >= r;
  }
};
struct More {
  template <class A, class B>
  static bool apply(const A& l, const B& r) {
    return l > r;
  }
};
struct Less {
  template <class A, class B>
  static bool apply(const A& l, const B& r) {
    return l < r;
  }
};
struct And {
  static bool apply(bool l, bool r) { return l && r; }
};
struct Or {
  static bool apply(bool l, bool r) { return l || r; }
};

template <class A, class B, class Tag>
class BinaryOperation : public ExpressionT<bool> {
 public:
  BinaryOperation(ExpressionPtr<A> l, ExpressionPtr<B> r) : l(std::move(l)), r(std::move(r)) {
    checkOperands(this->l, this->r);
    linkL_.connect(this->l->dependents(), 0, this);
    linkR_.connect(this->r->dependents(), 0, this);
  }

  // Both operands, the right one first; And and Or do not short-circuit.
  bool get() override {
    ExpressionPtr<B> right = r;
    const B vr = right->get();
    ExpressionPtr<A> left = l;
    const A vl = left->get();
    return Tag::apply(vl, vr);
  }

  ExpressionPtr<A> l;
  ExpressionPtr<B> r;

 private:
  static void checkOperands(const ExpressionPtr<A>& l, const ExpressionPtr<B>& r) {
    VIXO_ASSERT(l.isOk() && r.isOk());
  }

  // The links must stay the last members.
  DependentLink linkL_;
  DependentLink linkR_;
};

// The binary operation over operands of value types A and B with the tag:
// BinOp<int, int>::Operation<Equals>.
template <class A, class B>
struct BinOp {
  template <class Tag>
  using Operation = BinaryOperation<A, B, Tag>;
};

// ---------------------------------------------------------------- ternary operation

template <class T>
class TernaryOp : public ExpressionT<T> {
 public:
  TernaryOp(ExpressionPtr<bool> cond, ExpressionPtr<T> ttrue, ExpressionPtr<T> tfalse)
      : cond(std::move(cond)), ttrue(std::move(ttrue)), tfalse(std::move(tfalse)) {
    checkOperands(this->cond, this->ttrue, this->tfalse);
    linkCond_.connect(this->cond->dependents(), 0, this);
    linkTrue_.connect(this->ttrue->dependents(), 0, this);
    linkFalse_.connect(this->tfalse->dependents(), 0, this);
  }

  // Only the chosen branch is evaluated.
  T get() override {
    ExpressionPtr<bool> c = cond;
    if (c->get()) {
      ExpressionPtr<T> t = ttrue;
      return t->get();
    }
    ExpressionPtr<T> f = tfalse;
    return f->get();
  }

  ExpressionPtr<bool> cond;
  ExpressionPtr<T> ttrue;
  ExpressionPtr<T> tfalse;

 private:
  static void checkOperands(const ExpressionPtr<bool>& cond, const ExpressionPtr<T>& ttrue,
                            const ExpressionPtr<T>& tfalse) {
    VIXO_ASSERT(cond.isOk() && ttrue.isOk() && tfalse.isOk());
  }

  // The links must stay the last members.
  DependentLink linkCond_;
  DependentLink linkTrue_;
  DependentLink linkFalse_;
};

// ---------------------------------------------------------------- functors

// Applies a callable to the values of its operands on every evaluation.
template <class F, class R, class... A>
class Functor : public ExpressionT<R> {
 public:
  explicit Functor(F function, ExpressionPtr<A>... operands)
      : operands_(std::move(operands)...),
        function_(std::make_shared<const F>(std::move(function))) {
    std::apply([](const auto&... l) { (detail::checkOperand(l), ...); }, operands_);
    connectAll(std::index_sequence_for<A...>{});
  }

  // A handle of the callable is taken first, so that the callable survives whatever it does
  // (even dropping this node) without being copied; the operands are evaluated from the last
  // to the first. An empty std::function throws bad_function_call.
  R get() override {
    const std::shared_ptr<const F> function = function_;
    return call(*function, std::index_sequence_for<A...>{});
  }

 private:
  template <size_t... I>
  void connectAll(std::index_sequence<I...>) {
    (links_[I].connect(std::get<I>(operands_)->dependents(), 0, this), ...);
  }

  template <size_t K>
  void evaluate(std::tuple<std::optional<A>...>& values) {
    auto operand = std::get<K>(operands_);
    std::get<K>(values).emplace(operand->get());
  }

  template <size_t... I>
  R call(const F& function, std::index_sequence<I...>) {
    std::tuple<std::optional<A>...> values;
    (evaluate<sizeof...(A) - 1 - I>(values), ...);
    return function(std::move(*std::get<I>(values))...);
  }

  std::tuple<ExpressionPtr<A>...> operands_;
  std::shared_ptr<const F> function_;
  // Must stay the last member; an array's elements go from the last to the first.
  std::array<DependentLink, sizeof...(A)> links_;
};

template <class T = void>
class Listener;

// Evaluates its operand whenever the operand notifies (never when it is made), so that the
// callable of a functor below it runs on every change, on the changing thread.
template <>
class Listener<void> : public ExpressionT<void> {
 public:
  explicit Listener(ExpressionPtr<void> l) : l(std::move(l)) {
    detail::checkOperand(this->l);
    link_.connect(this->l->dependents(), 0, this);
  }

  void onChanged() override { get(); }
  void get() override {
    ExpressionPtr<void> operand = l;
    operand->get();
  }

  ExpressionPtr<void> l;

 private:
  DependentLink link_;  // must stay the last member
};

// ---------------------------------------------------------------- builders

template <class Tag, class L, class R>
ExpressionPtr<bool> makeBinary(const NodePtr<L>& l, const NodePtr<R>& r) {
  using A = typename L::ValueType;
  using B = typename R::ValueType;
  return makeNode<typename BinOp<A, B>::template Operation<Tag>>(l, r);
}

template <class L, class R>
ExpressionPtr<bool> operator==(const NodePtr<L>& l, const NodePtr<R>& r) {
  return makeBinary<Equals>(l, r);
}
template <class L, class R>
ExpressionPtr<bool> operator!=(const NodePtr<L>& l, const NodePtr<R>& r) {
  return makeBinary<NEquals>(l, r);
}
template <class L, class R>
ExpressionPtr<bool> operator>=(const NodePtr<L>& l, const NodePtr<R>& r) {
  return makeBinary<ME>(l, r);
}
template <class L, class R>
ExpressionPtr<bool> operator>(const NodePtr<L>& l, const NodePtr<R>& r) {
  return makeBinary<More>(l, r);
}
template <class L, class R>
ExpressionPtr<bool> operator<(const NodePtr<L>& l, const NodePtr<R>& r) {
  return makeBinary<Less>(l, r);
}
template <class L, class R>
ExpressionPtr<bool> operator&&(const NodePtr<L>& l, const NodePtr<R>& r) {
  return makeBinary<And>(l, r);
}
template <class L, class R>
ExpressionPtr<bool> operator||(const NodePtr<L>& l, const NodePtr<R>& r) {
  return makeBinary<Or>(l, r);
}
template <class L>
ExpressionPtr<bool> operator!(const NodePtr<L>& l) {
  return makeNode<typename UnaryOp<typename L::ValueType>::template Operation<Not>>(l);
}

// Texts that differ (two wide-text expressions).
template <class L, class R>
ExpressionPtr<bool> notEqual(const NodePtr<L>& l, const NodePtr<R>& r) {
  return l != r;
}

template <class C, class T, class F>
ExpressionPtr<typename T::ValueType> makeTernaryOp(const NodePtr<C>& cond, const NodePtr<T>& ttrue,
                                                   const NodePtr<F>& tfalse) {
  using V = typename T::ValueType;
  return makeNode<TernaryOp<V>>(cond, ttrue, tfalse);
}

// A functor over a std::function or a plain function pointer; the callable is copied into the
// node. Its operands are handles, one per parameter, in parameter order.
template <class R, class... A, class... P>
ExpressionPtr<R> makeFunctor(std::function<R(A...)> function, const NodePtr<P>&... operands) {
  static_assert(sizeof...(A) == sizeof...(P), "one operand per parameter");
  using F = std::function<R(A...)>;
  return makeNode<Functor<F, R, std::decay_t<A>...>>(std::move(function),
                                                     ExpressionPtr<std::decay_t<A>>(operands)...);
}

template <class R, class... A, class... P>
ExpressionPtr<R> makeFunctor(R (*function)(A...), const NodePtr<P>&... operands) {
  static_assert(sizeof...(A) == sizeof...(P), "one operand per parameter");
  using F = R (*)(A...);
  return makeNode<Functor<F, R, std::decay_t<A>...>>(function,
                                                     ExpressionPtr<std::decay_t<A>>(operands)...);
}

template <class F>
struct IsStdFunction : std::false_type {};
template <class S>
struct IsStdFunction<std::function<S>> : std::true_type {};

// Any other callable (a lambda) goes through the std::function of its signature.
template <class F, class... P,
          class = std::enable_if_t<!IsStdFunction<F>::value && !std::is_pointer_v<F>>>
auto makeFunctor(F function, const NodePtr<P>&... operands) {
  return makeFunctor(std::function(std::move(function)), operands...);
}

template <class N>
ExpressionPtr<void> makeListener(const NodePtr<N>& operand) {
  return makeNode<Listener<void>>(ExpressionPtr<void>(operand));
}

// The handles a window, dialog or player keeps alive for as long as it lives.
using BindingList = std::vector<std::shared_ptr<ExpressionBase>>;

template <class N>
NodePtr<N> holdBinding(const NodePtr<N>& handle, BindingList& owner) {
  owner.push_back(handle.shared());
  return handle;
}

}  // namespace connections
