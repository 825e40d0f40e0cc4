#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "avifile/assertion.h"
#include "common/operations.h"
#include "common/variable.h"
#include "media/video_file.h"
#include "support/assert_guard.h"

namespace {

using namespace connections;

// A node over one operand that writes its name into a log whenever it is notified.
class Probe : public ExpressionT<int> {
 public:
  Probe(std::string name, std::vector<std::string>* log, ExpressionBase* operand)
      : name(std::move(name)), log(log) {
    link.connect(operand->dependents(), 0, this);
  }
  ~Probe() override { link.disconnect(); }
  void onChanged() override {
    log->push_back(name);
    if (reaction) reaction();
  }
  int get() override { return 0; }

  std::string name;
  std::vector<std::string>* log;
  std::function<void()> reaction;
  DependentLink link;
};

NodePtr<Probe> probe(const std::string& name, std::vector<std::string>* log,
                     ExpressionBase* operand) {
  return makeNode<Probe>(name, log, operand);
}

// Counts the calls of a listener's callable and remembers the last value.
struct Counter {
  int calls = 0;
  int last = -1;
};

ExpressionPtr<void> countingListener(const ExpressionPtr<int>& operand, Counter* counter) {
  return makeListener(makeFunctor(std::function<void(int)>([counter](int v) {
                                    ++counter->calls;
                                    counter->last = v;
                                  }),
                                  operand));
}

using vixo_test::assertionText;

TEST(Expressions, SettingTheSameValueChangesNothing) {
  auto v = makeVariableMem(3);
  std::vector<std::string> log;
  auto p = probe("p", &log, v.get());
  v->set(3);
  EXPECT_TRUE(log.empty());
  v->set(4);
  EXPECT_EQ(log, std::vector<std::string>{"p"});
  EXPECT_EQ(v->get(), 4);
}

TEST(Expressions, NotificationIsDepthFirstInRegistrationOrder) {
  auto v = makeVariableMem(0);
  std::vector<std::string> log;
  auto a = probe("a", &log, v.get());
  auto b = probe("b", &log, v.get());
  auto a1 = probe("a1", &log, a.get());
  auto a2 = probe("a2", &log, a.get());
  auto b1 = probe("b1", &log, b.get());
  v->set(1);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "a1", "a2", "b", "b1"}));
}

TEST(Expressions, DiamondsNotifyTwiceAndCyclesEnd) {
  auto v = makeVariableMem(0);
  std::vector<std::string> log;
  auto a = probe("a", &log, v.get());
  auto b = probe("b", &log, v.get());
  auto c = probe("c", &log, a.get());
  // c also depends on b: reached through both paths
  DependentLink second;
  second.connect(b->dependents(), 0, c.get());
  v->set(1);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "c", "b", "c"}));

  // x -> y -> x: the walk stops where it meets a node it is still walking
  log.clear();
  auto x = probe("x", &log, v.get());
  auto y = probe("y", &log, x.get());
  DependentLink back;
  back.connect(y->dependents(), 0, x.get());
  x->updateDependents();
  EXPECT_EQ(log, (std::vector<std::string>{"x", "y"}));
  back.disconnect();
  second.disconnect();
}

TEST(Expressions, EntryRegisteredDuringAWalkBehindItIsNotified) {
  auto v = makeVariableMem(0);
  std::vector<std::string> log;
  auto a = probe("a", &log, v.get());
  NodePtr<Probe> late;
  a->reaction = [&] {
    if (!late.isOk()) late = probe("late", &log, v.get());
  };
  v->set(1);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "late"}));
}

TEST(Expressions, AssignBindsAndUnbinds) {
  auto source = makeVariableMem(true);
  auto target = makeVariableMem(false);
  std::vector<std::string> log;
  auto p = probe("target", &log, target.get());
  target->assign(source);
  EXPECT_TRUE(target->get());
  EXPECT_EQ(log.size(), 1u);  // taking the value notified the target's dependents
  source->set(false);
  EXPECT_FALSE(target->get());
  target->set(true);  // a direct set keeps the binding and never writes back
  EXPECT_FALSE(source->get());
  source->set(true);
  source->set(false);
  EXPECT_FALSE(target->get());
  target->assign(nullptr);
  source->set(true);
  EXPECT_FALSE(target->get());  // unbound: keeps its last value
  EXPECT_EQ(source->dependents().size(), 0u);

  // a new binding replaces the old one
  auto other = makeVariableMem(true);
  target->assign(source);
  target->assign(other);
  source->set(false);
  EXPECT_TRUE(target->get());
  EXPECT_EQ(source->dependents().size(), 0u);
  EXPECT_EQ(other->dependents().size(), 1u);
}

// The node classes and the binding interface go by the names other parts of the system use.
TEST(Expressions, NodesByTheirNames) {
  auto a = makeVariableMem(2);
  auto b = makeVariableMem(3);
  ExpressionPtr<bool> less = a < b;
  using IntLess = BinOp<int, int>::Operation<Less>;
  EXPECT_NE(dynamic_cast<IntLess*>(less.get()), nullptr);
  auto flag = makeVariableMem(true);
  ExpressionPtr<bool> negated = !flag;
  EXPECT_NE(dynamic_cast<UnaryOp<bool>::Operation<Not>*>(negated.get()), nullptr);
  auto same = makeNode<UnaryOp<int>::Operation<Id>>(ExpressionPtr<int>(a));
  EXPECT_EQ(same->get(), 2);

  Counter counter;
  ExpressionPtr<void> listener = countingListener(a, &counter);
  EXPECT_NE(dynamic_cast<Listener<void>*>(listener.get()), nullptr);

  // A variable owns its binding through the binding interface, whose apply() copies now.
  auto target = makeVariableMem(0);
  target->assign(a);
  std::shared_ptr<Variable<int>::AssignmentReaderBase> binding = target->binding;
  ASSERT_NE(binding, nullptr);
  target->set(9);
  binding->apply();
  EXPECT_EQ(target->get(), 2);
}

TEST(Expressions, BinaryOperationsEvaluateBothOperandsRightFirst) {
  std::vector<std::string> order;
  auto a = makeVariableMem(0);
  auto left = makeFunctor(std::function<bool(int)>([&](int) {
                            order.push_back("left");
                            return false;
                          }),
                          a);
  auto right = makeFunctor(std::function<bool(int)>([&](int) {
                             order.push_back("right");
                             return true;
                           }),
                           a);
  EXPECT_FALSE((left && right)->get());
  EXPECT_EQ(order, (std::vector<std::string>{"right", "left"}));
  order.clear();
  EXPECT_TRUE((right || left)->get());  // no short cut either
  EXPECT_EQ(order, (std::vector<std::string>{"left", "right"}));

  const struct {
    int l, r;
    bool eq, ne, me, more, less;
  } rows[] = {{1, 2, false, true, false, false, true},
              {2, 2, true, false, true, false, false},
              {-3, -4, false, true, true, true, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::to_string(row.l) + " vs " + std::to_string(row.r));
    auto l = makeVariableMem(row.l);
    auto r = makeConstant(row.r);
    EXPECT_EQ((l == r)->get(), row.eq);
    EXPECT_EQ((l != r)->get(), row.ne);
    EXPECT_EQ((l >= r)->get(), row.me);
    EXPECT_EQ((l > r)->get(), row.more);
    EXPECT_EQ((l < r)->get(), row.less);
  }
  auto t = makeVariableMem(true);
  EXPECT_FALSE((!t)->get());
  auto s1 = makeVariableMem(std::wstring(L"abc"));
  auto s2 = makeConstant(std::wstring(L"abc"));
  auto differ = notEqual(s1, s2);
  EXPECT_FALSE(differ->get());
  s1->set(L"abd");
  EXPECT_TRUE(differ->get());
}

TEST(Expressions, VideoFileStatesCompareWithConstants) {
  auto state = makeVariableMem(VideoFile::Created);
  auto opened = state >= makeConstant(VideoFile::Ready);
  auto closed = state == makeConstant(VideoFile::Closed);
  auto notClosed = state != makeConstant(VideoFile::Closed);
  Counter count;
  auto listener = makeListener(
      makeFunctor(std::function<void(bool)>([&](bool v) { count.calls += v ? 1 : 0; }), opened));
  EXPECT_FALSE(opened->get());
  state->set(VideoFile::Opening);
  state->set(VideoFile::Ready);
  EXPECT_TRUE(opened->get());
  EXPECT_TRUE(notClosed->get());
  state->set(VideoFile::Closed);
  EXPECT_TRUE(closed->get());
  EXPECT_EQ(count.calls, 2);  // Ready and Closed are both at least Ready
}

TEST(Expressions, FunctorOperandsAreEvaluatedLastFirst) {
  std::vector<std::string> order;
  auto v = makeVariableMem(1);
  auto tag = [&](const std::string& name) {
    return makeFunctor(std::function<int(int)>([&order, name](int x) {
                         order.push_back(name);
                         return x;
                       }),
                       v);
  };
  auto sum = makeFunctor(
      std::function<int(int, int, int)>([](int a, int b, int c) { return a * 100 + b * 10 + c; }),
      tag("first"), tag("second"), makeConstant(3));
  EXPECT_EQ(sum->get(), 113);
  EXPECT_EQ(order, (std::vector<std::string>{"second", "first"}));

  // a plain function pointer serves as well
  static int (*twice)(int) = [](int x) { return 2 * x; };
  EXPECT_EQ(makeFunctor(twice, v)->get(), 2);
}

TEST(Expressions, ListenersRunOnChangesOnly) {
  auto v = makeVariableMem(0);
  Counter counter;
  auto listener = countingListener(v, &counter);
  EXPECT_EQ(counter.calls, 0);  // not when it is made
  v->set(5);
  EXPECT_EQ(counter.calls, 1);
  EXPECT_EQ(counter.last, 5);

  // two paths to one listener: two calls
  auto a = makeVariableMem(0);
  Counter twice;
  auto both =
      makeListener(makeFunctor(std::function<void(int, int)>([&](int, int) { ++twice.calls; }),
                               makeFunctor(std::function<int(int)>([](int x) { return x; }), a),
                               makeFunctor(std::function<int(int)>([](int x) { return -x; }), a)));
  a->set(1);
  EXPECT_EQ(twice.calls, 2);

  // dropping the last handle stops it
  BindingList owner;
  Counter held;
  holdBinding(countingListener(v, &held), owner);
  v->set(6);
  EXPECT_EQ(held.calls, 1);
  owner.clear();
  v->set(7);
  EXPECT_EQ(held.calls, 1);
}

TEST(Expressions, TernaryTakesTheChosenBranchAndFollowsAllThree) {
  auto cond = makeVariableMem(false);
  auto yes = makeVariableMem(1);
  auto no = makeVariableMem(2);
  auto pick = makeTernaryOp(cond, yes, no);
  Counter counter;
  auto listener = countingListener(pick, &counter);
  EXPECT_EQ(pick->get(), 2);
  yes->set(10);  // the branch not chosen still notifies
  EXPECT_EQ(counter.calls, 1);
  EXPECT_EQ(counter.last, 2);
  cond->set(true);
  EXPECT_EQ(counter.last, 10);
}

TEST(Expressions, ExceptionsReachTheSetterAndLeaveTheWalkUsable) {
  auto v = makeVariableMem(0);
  auto empty = makeFunctor(std::function<void(int)>(), v);
  EXPECT_THROW(empty->get(), std::bad_function_call);
  auto listener = makeListener(empty);
  EXPECT_THROW(v->set(1), std::bad_function_call);
  EXPECT_EQ(v->get(), 1);  // the new value stays

  // a throwing callable: the dependents behind it are not reached; the walk is left clean
  auto w = makeVariableMem(0);
  bool throwNow = true;
  auto thrower = makeListener(makeFunctor(std::function<void(int)>([&](int) {
                                            if (throwNow) throw std::runtime_error("no");
                                          }),
                                          w));
  Counter after;
  auto behind = countingListener(w, &after);
  EXPECT_THROW(w->set(1), std::runtime_error);
  EXPECT_EQ(after.calls, 0);
  throwNow = false;
  w->set(2);
  EXPECT_EQ(after.calls, 1);
}

TEST(Expressions, BuildersReportEmptyOperands) {
  ExpressionPtr<int> none;
  ExpressionPtr<bool> noBool;
  auto one = makeVariableMem(1);
  auto yes = makeVariableMem(true);
  EXPECT_EQ(assertionText([&] { (void)(none == one); }), "l.isOk() && r.isOk()");
  EXPECT_EQ(assertionText([&] { (void)(yes && noBool); }), "l.isOk() && r.isOk()");
  EXPECT_EQ(assertionText([&] { (void)!noBool; }), "l.isOk()");
  EXPECT_EQ(assertionText([&] { (void)makeTernaryOp(noBool, one, one); }),
            "cond.isOk() && ttrue.isOk() && tfalse.isOk()");
  EXPECT_EQ(assertionText([&] { (void)makeListener(ExpressionPtr<void>()); }), "l.isOk()");
  EXPECT_EQ(assertionText(
                [&] { (void)makeFunctor(std::function<int(int)>([](int x) { return x; }), none); }),
            "l.isOk()");
}

// A node that loses its registration from inside a notification through that registration
// must not wait for itself.
TEST(Expressions, NodesMayGoFromInsideTheirOwnNotification) {
  auto v = makeVariableMem(0);
  ExpressionPtr<void> self;
  int calls = 0;
  self = makeListener(makeFunctor(std::function<void(int)>([&](int) {
                                    ++calls;
                                    self.reset();  // the listener's last handle
                                  }),
                                  v));
  v->set(1);
  EXPECT_EQ(calls, 1);
  v->set(2);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(v->dependents().size(), 0u);  // the functor went with the listener

  // a binding replaced from inside its own notification
  auto source = makeVariableMem(1);
  auto other = makeVariableMem(100);
  auto target = makeVariableMem(0);
  auto switcher = makeListener(makeFunctor(std::function<void(int)>([&](int value) {
                                             if (value == 2) target->assign(other);
                                           }),
                                           target));
  target->assign(source);
  source->set(2);  // target takes 2, its listener rebinds it to `other` from inside
  EXPECT_EQ(target->get(), 100);
  source->set(3);
  EXPECT_EQ(target->get(), 100);
  other->set(101);
  EXPECT_EQ(target->get(), 101);
  EXPECT_EQ(source->dependents().size(), 0u);

  // a dependent destroyed by an earlier dependent of the same walk is not called
  auto w = makeVariableMem(0);
  std::vector<std::string> log;
  auto first = probe("first", &log, w.get());
  auto second = probe("second", &log, w.get());
  first->reaction = [&] { second.reset(); };
  w->set(1);
  EXPECT_EQ(log, std::vector<std::string>{"first"});
}

}  // namespace
