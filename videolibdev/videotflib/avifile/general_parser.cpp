#include "avifile/general_parser.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <iostream>

#include "avifile/assertion.h"

namespace Brindle {

namespace {
// State and rule numbers of every grammar come from one counter, so numbers only grow.
std::atomic<int> g_numberCounter{0};

// Internal action kinds of compiled rows, beyond the public ones.
constexpr int kSetCode = 100;  // a semantic action that only stores the parse state's code
constexpr int kTake = 101;     // takes the byte a fused row was entered with

// The bytes a stream buffer holds in memory, for scanning runs of bytes without a call per
// byte. Naming the protected members through a derived class gives pointers to members of
// std::streambuf itself, which may be used on any buffer.
struct BufferWindow : std::streambuf {
  static const char* begin(std::streambuf* b) { return (b->*(&BufferWindow::gptr))(); }
  static const char* end(std::streambuf* b) { return (b->*(&BufferWindow::egptr))(); }
  static void advance(std::streambuf* b, size_t n) {
    while (n > 0) {
      const int step = n > 1u << 30 ? 1 << 30 : static_cast<int>(n);
      (b->*(&BufferWindow::gbump))(step);
      n -= static_cast<size_t>(step);
    }
  }
};

int hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}
}  // namespace

int encodeUtf8CodePoint(int64_t c, char out[6]) {
  if (c < 0) return 0;
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  int n;
  unsigned lead;
  if (c < 0x800) {
    n = 2;
    lead = 0xC0;
  } else if (c <= 0xFFFF) {
    n = 3;
    lead = 0xE0;
  } else if (c <= 0x1FFFFF) {
    n = 4;
    lead = 0xF0;
  } else if (c <= 0x3FFFFFF) {
    n = 5;
    lead = 0xF8;
  } else {
    n = 6;
    lead = 0xFC;
  }
  for (int i = n - 1; i > 0; --i) {
    out[i] = static_cast<char>(0x80 | (c & 0x3F));
    c >>= 6;
  }
  // The lead byte keeps the bits its marker leaves free (one for the six-byte form).
  out[0] = static_cast<char>(lead | (c & (0x7F >> n)));
  return n;
}

void appendUtf8CodePoint(std::string& out, int64_t c) {
  char bytes[6];
  out.append(bytes, static_cast<size_t>(encodeUtf8CodePoint(c, bytes)));
}

void appendUtf8CodePoint(TextBuffer& out, int64_t c) {
  char bytes[6];
  out.append(bytes, static_cast<size_t>(encodeUtf8CodePoint(c, bytes)));
}

void TextBuffer::grow(size_t atLeast) {
  size_t capacity = capacity_ * 2 + 1;
  if (capacity < atLeast) capacity = atLeast;
  auto bigger = std::make_unique<char[]>(capacity);
  if (size_) std::memcpy(bigger.get(), data_.get(), size_);
  data_ = std::move(bigger);
  capacity_ = capacity;
}

// ---------------------------------------------------------------- action records

GeneralParser::ActionRecord::ActionRecord(const ActionRecord& other)
    : kind(other.kind),
      value(other.value),
      callback(other.callback),
      payload(other.payload ? other.payload->clone() : nullptr) {}

GeneralParser::ActionRecord& GeneralParser::ActionRecord::operator=(const ActionRecord& other) {
  if (this != &other) {
    kind = other.kind;
    value = other.value;
    callback = other.callback;
    payload = other.payload ? other.payload->clone() : nullptr;
  }
  return *this;
}

GeneralParser::ActionRecord GeneralParser::ActionRecord::print(std::string text) {
  ActionRecord r(kPrint, 0);
  r.payload = std::make_unique<Semantic::StringData>(std::move(text));
  return r;
}

GeneralParser::ActionRecord GeneralParser::ActionRecord::callbackAction(
    Callback fn, std::unique_ptr<Semantic::ExtentionData> payload) {
  ActionRecord r(kCallback, 0);
  r.callback = fn;
  r.payload = std::move(payload);
  return r;
}

GeneralParser::ActionRecord GeneralParser::ActionRecord::semantic(
    std::unique_ptr<Semantic::Action> action) {
  ActionRecord r(kSemanticAction, 0);
  r.payload = std::move(action);
  return r;
}

// ---------------------------------------------------------------- steps

void GeneralParser::Step::prepare(GeneralParser&) {}

void GeneralParser::Step::setNext(State& from, unsigned char byte, const State& to) const {
  from.grammar->rows_[from.row].next[byte] = to.row;
}

void GeneralParser::CharacterStep::fill(State& owner) const {
  for (unsigned char b : bytes_) setNext(owner, b, *target);
}

std::unique_ptr<GeneralParser::Step> GeneralParser::CharacterStep::clone() const {
  return std::make_unique<CharacterStep>(*this);
}

void GeneralParser::DigitStep::fill(State& owner) const {
  for (int b = '0'; b <= '9'; ++b) setNext(owner, static_cast<unsigned char>(b), *target);
}

std::unique_ptr<GeneralParser::Step> GeneralParser::DigitStep::clone() const {
  return std::make_unique<DigitStep>(*this);
}

void GeneralParser::HexdigitStep::fill(State& owner) const {
  for (int b = 0; b < 256; ++b)
    if (hexValue(static_cast<unsigned char>(b)) >= 0)
      setNext(owner, static_cast<unsigned char>(b), *target);
}

std::unique_ptr<GeneralParser::Step> GeneralParser::HexdigitStep::clone() const {
  return std::make_unique<HexdigitStep>(*this);
}

GeneralParser::StringsStep::StringsStep(const std::string& string) {
  VIXO_ASSERT(string.size()>0);
  strings_.insert(string);
}

GeneralParser::StringsStep& GeneralParser::StringsStep::add(const std::string& string) {
  VIXO_ASSERT(string.size()>0);
  strings_.insert(string);
  return *this;
}

void GeneralParser::StringsStep::prepare(GeneralParser& grammar) {
  if (prepared_) return;
  prepared_ = true;
  std::set<std::string> prefixes;
  for (const std::string& s : strings_)
    for (size_t n = 1; n < s.size(); ++n) prefixes.insert(s.substr(0, n));
  for (const std::string& p : prefixes) prefixes_[p] = grammar.newState();
}

void GeneralParser::StringsStep::fill(State& owner) const {
  for (const std::string& s : strings_) {
    State* from = &owner;
    for (size_t i = 0; i < s.size(); ++i) {
      const auto byte = static_cast<unsigned char>(s[i]);
      if (i + 1 == s.size()) {
        setNext(*from, byte, *target);
      } else {
        State* prefix = prefixes_.at(s.substr(0, i + 1));
        setNext(*from, byte, *prefix);
        from = prefix;
      }
    }
  }
}

std::unique_ptr<GeneralParser::Step> GeneralParser::StringsStep::clone() const {
  // A clone matches the same strings through prefix states of its own.
  auto copy = std::make_unique<StringsStep>(*strings_.begin());
  copy->strings_ = strings_;
  copy->target = target;
  return copy;
}

// ---------------------------------------------------------------- parse state

int64_t GeneralParser::Parsing::popNumber() {
  const size_t pointer = numbers.size();
  VIXO_ASSERT(pointer > 0);
  const int64_t v = numbers.back();
  numbers.pop_back();
  return v;
}

// ---------------------------------------------------------------- building

GeneralParser::GeneralParser() = default;
GeneralParser::~GeneralParser() = default;

int64_t GeneralParser::nextNumber() { return ++g_numberCounter; }

GeneralParser::State* GeneralParser::newState() {
  auto s = std::make_unique<State>();
  s->grammar = this;
  s->optimizedTo = s.get();
  s->number = static_cast<int>(nextNumber());
  State* raw = s.get();
  states_.push_back(std::move(s));
  index_[raw->number] = raw;
  return raw;
}

GeneralParser::State* GeneralParser::copyState(const State& r) {
  VIXO_ASSERT(!r.implicitCome);
  VIXO_ASSERT(r.calls.empty());
  VIXO_ASSERT(r.steps.empty());
  State* s = newState();
  s->actions = r.actions;
  return s;
}

GeneralParser::State* GeneralParser::addStep(State* from, const Step& step) {
  return addStep(from, step, newState());
}

GeneralParser::State* GeneralParser::addStep(State* from, const Step& step, State* to) {
  std::unique_ptr<Step> copy = step.clone();
  copy->target = to;
  from->steps.push_back(std::move(copy));
  return to;
}

GeneralParser::State* GeneralParser::addAction(State* state, const ActionRecord& action) {
  state->actions.push_back(action);
  return state;
}

GeneralParser::State* GeneralParser::setImplicitCome(State* state, State* target) {
  State& l = *state;
  VIXO_ASSERT(!l.implicitCome);
  l.implicitCome = target;
  return target;
}

GeneralParser::State* GeneralParser::callRule(State* from, Rule* rule) {
  CallRecord call;
  call.rule = rule;
  call.returnState = newState();
  from->calls.push_back(call);
  return call.returnState;
}

GeneralParser::Rule* GeneralParser::newRule() {
  auto r = std::make_unique<Rule>();
  r->grammar = this;
  r->number = static_cast<int>(nextNumber());
  rules_.push_back(std::move(r));
  return rules_.back().get();
}

void GeneralParser::defineRule(Rule* rule, State* entry, State* exit) {
  rule->entry = entry;
  rule->exit = exit;
  rule->grammar = this;
  exit->actions.push_back(ActionRecord(kReturn, 0));
}

// ---------------------------------------------------------------- compiling

// Pass 1: a chain of states that only carry actions and a default successor is entered in one
// move that runs all of their actions. Visits depth-first, a state before its successors.
void GeneralParser::collapse(State* s) {
  s->visited = true;
  State* u = s->optimizedTo;
  size_t guard = index_.size();  // a cycle of action-only states must not loop forever
  while (u->steps.empty() && u->calls.empty() && u->implicitCome && !u->implicitCome->junction &&
         guard-- > 0) {
    State* r = u->implicitCome;
    s->actions.insert(s->actions.end(), r->actions.begin(), r->actions.end());
    s->optimizedTo = r;
    u = r;
  }
  auto visit = [this](State* t) {
    if (t && !t->visited) collapse(t);
  };
  visit(u->implicitCome);
  for (size_t i = 0; i < u->steps.size(); ++i) visit(u->steps[i]->target);
  for (size_t i = 0; i < u->calls.size(); ++i) {
    visit(u->calls[i].rule->entry);
    visit(u->calls[i].returnState);
  }
}

GeneralParser::State* GeneralParser::newJunction(State* returnState) {
  State* j = newState();
  j->junction = true;
  j->visited = true;
  j->returnOfJunction = returnState;
  j->actions.push_back(ActionRecord(kCall, 0));  // the return row is known after numbering
  return j;
}

void GeneralParser::processCalls(State* p) {
  for (size_t i = 0; i < p->calls.size(); ++i) {
    if (p->calls[i].processed) continue;
    p->calls[i].processed = true;
    processCall(p, p->calls[i]);
  }
}

// Pass 2: a call merges the called rule's first transitions into the calling state; each leads
// through a junction that pushes the return row and then goes on to the step's own target.
void GeneralParser::processCall(State* from, CallRecord& call) {
  State* firstState = call.rule->entry;
  // Nested entries are flattened first.
  processCalls(firstState->optimizedTo);
  State* f = firstState->optimizedTo;
  VIXO_ASSERT(!from->implicitCome ||!firstState->optimizedTo->implicitCome);
  State* returnState = call.returnState;
  if (f->implicitCome && !from->implicitCome) {
    State* j = newJunction(returnState);
    from->implicitCome = j;
    j->implicitCome = f->implicitCome;
    call.junctions.push_back(j);
  }
  if (from != firstState) {
    from->actions.insert(from->actions.end(), firstState->actions.begin(),
                         firstState->actions.end());
  }
  const size_t stepCount = f->steps.size();
  for (size_t i = 0; i < stepCount; ++i) {
    std::unique_ptr<Step> copy = f->steps[i]->clone();
    State* j = newJunction(returnState);
    j->implicitCome = f->steps[i]->target;
    copy->target = j;
    from->steps.push_back(std::move(copy));
    call.junctions.push_back(j);
  }
}

void GeneralParser::compile() {
  VIXO_ASSERT(!compiled_);
  compiled_ = true;

  // Pass 1: collapse.
  for (auto& entry : index_)
    if (!entry.second->visited) collapse(entry.second);

  // Pass 2: calls. New junctions are added while this runs; they have no calls.
  std::vector<State*> snapshot;
  snapshot.reserve(index_.size());
  for (auto& entry : index_) snapshot.push_back(entry.second);
  for (State* p : snapshot)
    if (p->optimizedTo == p) processCalls(p);

  // Pass 3: prepare (the strings steps build their prefix states here).
  snapshot.clear();
  for (auto& entry : index_) snapshot.push_back(entry.second);
  for (State* s : snapshot)
    for (auto& step : s->optimizedTo->steps) step->prepare(*this);

  // Pass 4: number. Rows 0 (finished) and 1 are reserved.
  rows_.assign(index_.size() + 2, Row{});
  for (Row& r : rows_) std::fill(std::begin(r.next), std::end(r.next), -1);
  int rowNumber = 2;
  for (auto& entry : index_) entry.second->row = rowNumber++;
  for (auto& entry : index_) {
    State* s = entry.second;
    if (s->junction) s->actions.front().value = s->returnOfJunction->row;
  }

  // Pass 5: emit. Rows first, then the steps, since a strings step also fills the rows of its
  // prefix states.
  for (auto& entry : index_) {
    State* s = entry.second;
    State* u = s->optimizedTo;
    Row& row = rows_[s->row];
    row.def = u->implicitCome ? u->implicitCome->row : -1;
    row.firstAction = static_cast<uint32_t>(actions_.size());
    row.actionCount = static_cast<uint32_t>(s->actions.size());
    int pushes = 0;
    bool repeatable = true;
    for (const ActionRecord& a : s->actions) {
      CompiledAction c{a.kind, a.value, a.callback, nullptr, nullptr};
      if (a.payload) {
        payloads_.push_back(a.payload->clone());
        c.payload = payloads_.back().get();
      }
      if (a.kind == kSemanticAction) {
        const auto* act = dynamic_cast<const Semantic::Action*>(c.payload);
        VIXO_ASSERT(act);
        c.action = act;
        int32_t code = 0;
        if (act->setsCode(code)) {
          c.kind = kSetCode;
          c.value = code;
        }
        repeatable = repeatable && act->isRepeatable();
      } else if (a.kind == kPushByte) {
        ++pushes;
      } else {
        repeatable = false;
      }
      actions_.push_back(c);
    }
    row.selfLoop = repeatable && pushes <= 1;
    row.pushesByte = pushes == 1;
  }
  std::vector<int> junctionRows;
  for (auto& entry : index_) {
    State* s = entry.second;
    for (auto& step : s->optimizedTo->steps) step->fill(*s);
    if (s->junction) junctionRows.push_back(s->row);
  }
  foldJunctions(junctionRows);
  simplifyCalls();
  for (Row& row : rows_) {
    row.simple = true;
    for (uint32_t i = 0; i < row.actionCount; ++i) {
      const int kind = actions_[row.firstAction + i].kind;
      const bool last = i + 1 == row.actionCount;
      if (kind != kPushByte && kind != kPushConstantByte && kind != kCall &&
          kind != kSemanticAction && kind != kSetCode && !(kind == kReturn && last))
        row.simple = false;
    }
  }
  buildTable();
  fuseDefaults();
  dropDeadCodes();
  for (auto& rule : rules_)
    if (rule->entry) rule->startRow = rule->entry->row;

  // Only the rows and the rules remain.
  for (auto& rule : rules_) {
    rule->entry = nullptr;
    rule->exit = nullptr;
  }
  index_.clear();
  states_.clear();
}

// A junction only pushes a return row and then, on the next byte or at the end of input,
// goes on to its target without taking a byte. When the target's actions cannot end the run
// (no return) and do nothing that shows outside the parse state, running them together with
// the push gives the same result one row visit earlier: the current byte and the bytes
// consumed are the same at both moments. So a junction row takes over its target's actions,
// transitions and default.
void GeneralParser::foldJunctions(const std::vector<int>& junctionRows) {
  std::vector<char> isJunction(rows_.size(), 0), done(rows_.size(), 0);
  for (int r : junctionRows) isJunction[r] = 1;
  std::vector<CompiledAction> extra;
  auto foldable = [this](const Row& target) {
    for (uint32_t i = 0; i < target.actionCount; ++i) {
      const int kind = actions_[target.firstAction + i].kind;
      if (kind == kReturn || kind == kPrint || kind == kCallback) return false;
    }
    return true;
  };
  std::function<void(int)> fold = [&](int r) {
    if (done[r]) return;
    done[r] = 1;
    Row& row = rows_[r];
    const int target = row.def;
    if (target < 2) return;
    for (int b = 0; b < 256; ++b)
      if (row.next[b] >= 0) return;  // not a plain junction
    if (isJunction[target]) fold(target);
    const Row& t = rows_[target];
    if (!foldable(t)) return;
    const uint32_t first = static_cast<uint32_t>(actions_.size());
    for (uint32_t i = 0; i < row.actionCount; ++i)
      actions_.push_back(actions_[row.firstAction + i]);
    for (uint32_t i = 0; i < t.actionCount; ++i) actions_.push_back(actions_[t.firstAction + i]);
    row.firstAction = first;
    row.actionCount += t.actionCount;
    std::copy(std::begin(t.next), std::end(t.next), std::begin(row.next));
    row.def = t.def;
    row.selfLoop = false;
    row.pushesByte = false;
  };
  for (int r : junctionRows) fold(r);
}

void GeneralParser::buildTable() {
  std::map<std::vector<int32_t>, size_t> classes;
  for (int b = 0; b < 256; ++b) {
    std::vector<int32_t> column(rows_.size());
    for (size_t r = 0; r < rows_.size(); ++r) column[r] = rows_[r].next[b];
    auto it = classes.emplace(std::move(column), classes.size()).first;
    classOf_[b] = static_cast<unsigned char>(it->second);
  }
  classCount_ = classes.size();
  table_.assign(rows_.size() * classCount_, -1);
  for (size_t r = 0; r < rows_.size(); ++r)
    for (int b = 0; b < 256; ++b) table_[r * classCount_ + classOf_[b]] = rows_[r].next[b];
  info_.assign(rows_.begin(), rows_.end());
  rows_.clear();
  rows_.shrink_to_fit();
}

// Two rewrites of calls that change no outcome, only the rows visited:
//  - a call whose return row does nothing but return again is dropped: the callee's own
//    return then pops straight to where that row would have gone (a tail call);
//  - a default that leads to a row which only pushes a return row X, and from there by default
//    to a row which only returns, leads to X directly: pushing X and popping it at once is
//    going to X.
void GeneralParser::simplifyCalls() {
  auto onlyAction = [this](const Row& row, int kind) {
    return row.actionCount == 1 && actions_[row.firstAction].kind == kind;
  };
  auto noTransitions = [](const Row& row) {
    for (int32_t n : row.next)
      if (n >= 0) return false;
    return true;
  };
  for (Row& row : rows_) {
    bool dropsCall = false;
    for (uint32_t i = 0; i < row.actionCount; ++i) {
      const CompiledAction& a = actions_[row.firstAction + i];
      if (a.kind == kCall && onlyAction(rows_[a.value], kReturn)) dropsCall = true;
    }
    if (!dropsCall) continue;
    const uint32_t first = static_cast<uint32_t>(actions_.size());
    uint32_t count = 0;
    for (uint32_t i = 0; i < row.actionCount; ++i) {
      const CompiledAction a = actions_[row.firstAction + i];
      if (a.kind == kCall && onlyAction(rows_[a.value], kReturn)) continue;
      actions_.push_back(a);
      ++count;
    }
    row.firstAction = first;
    row.actionCount = count;
  }
  for (Row& row : rows_) {
    for (size_t guard = 0; row.def >= 2 && guard < rows_.size(); ++guard) {
      const Row& j = rows_[row.def];
      if (!onlyAction(j, kCall) || !noTransitions(j) || j.def < 2) break;
      const Row& w = rows_[j.def];
      if (!onlyAction(w, kReturn) || !noTransitions(w)) break;
      row.def = static_cast<int32_t>(actions_[j.firstAction].value);
    }
  }
}

// A byte without a transition makes the run follow the row's default, run that row's actions
// without taking the byte, and look again; this repeats until a row takes the byte. Where such
// a path meets no return (which would lead to a row known only at run time), it is the same
// for every row with that default: one fused row runs the path's actions, takes the byte at
// the point where the path took it, and goes on as the row that took it. Bytes then never
// wander through defaults on the common paths.
void GeneralParser::fuseDefaults() {
  const size_t originalRows = info_.size();
  std::map<std::pair<int32_t, size_t>, int32_t> fused;  // (default row, class) -> fused row
  auto rowHasReturn = [this](const RowInfo& r) {
    for (uint32_t i = 0; i < r.actionCount; ++i)
      if (actions_[r.firstAction + i].kind == kReturn) return true;
    return false;
  };
  auto fusedRow = [&](int32_t start, size_t cls) -> int32_t {
    auto known = fused.find({start, cls});
    if (known != fused.end()) return known->second;
    std::vector<int32_t> path;
    int32_t d = start;
    int32_t target = -1;
    for (size_t guard = 0; d >= 2 && guard < originalRows; ++guard) {
      const RowInfo& r = info_[d];
      if (!r.simple || rowHasReturn(r) || r.takesLate) break;
      path.push_back(d);
      const int32_t t = table_[static_cast<size_t>(d) * classCount_ + cls];
      if (t >= 0) {
        target = t;
        break;
      }
      d = r.def;
    }
    int32_t result = -1;
    if (target >= 0 && info_[target].simple && !info_[target].takesLate) {
      RowInfo x;
      x.firstAction = static_cast<uint32_t>(actions_.size());
      for (int32_t p : path)
        for (uint32_t i = 0; i < info_[p].actionCount; ++i)
          actions_.push_back(actions_[info_[p].firstAction + i]);
      actions_.push_back(CompiledAction{kTake, 0, nullptr, nullptr, nullptr});
      const RowInfo t = info_[target];
      for (uint32_t i = 0; i < t.actionCount; ++i) actions_.push_back(actions_[t.firstAction + i]);
      x.actionCount = static_cast<uint32_t>(actions_.size()) - x.firstAction;
      x.def = t.def;
      x.simple = true;
      x.takesLate = true;
      result = static_cast<int32_t>(info_.size());
      info_.push_back(x);
      const size_t from = static_cast<size_t>(target) * classCount_;
      for (size_t c = 0; c < classCount_; ++c) table_.push_back(table_[from + c]);
    }
    fused[{start, cls}] = result;
    return result;
  };
  for (size_t r = 2; r < originalRows; ++r) {
    for (size_t c = 0; c < classCount_; ++c) {
      if (table_[r * classCount_ + c] >= 0 || info_[r].def < 2) continue;
      const int32_t x = fusedRow(info_[r].def, c);
      if (x >= 0) table_[r * classCount_ + c] = x;
    }
  }
}

// A code that another code replaces before anything could read it or fail is dropped: only
// pushes, calls and the take of a fused row may stand between them.
void GeneralParser::dropDeadCodes() {
  for (RowInfo& row : info_) {
    const CompiledAction* a = actions_.data() + row.firstAction;
    std::vector<CompiledAction> kept;
    kept.reserve(row.actionCount);
    bool dropped = false;
    for (uint32_t i = 0; i < row.actionCount; ++i) {
      if (a[i].kind == kSetCode) {
        bool replaced = false;
        for (uint32_t k = i + 1; k < row.actionCount; ++k) {
          const int kind = a[k].kind;
          if (kind == kSetCode) {
            replaced = true;
            break;
          }
          if (kind != kPushByte && kind != kPushConstantByte && kind != kCall && kind != kTake)
            break;
        }
        if (replaced) {
          dropped = true;
          continue;
        }
      }
      kept.push_back(a[i]);
    }
    if (!dropped) continue;
    row.firstAction = static_cast<uint32_t>(actions_.size());
    row.actionCount = static_cast<uint32_t>(kept.size());
    actions_.insert(actions_.end(), kept.begin(), kept.end());
  }
}

// ---------------------------------------------------------------- running

// Runs the actions of the current row. Simple rows run here; a return moves to the popped
// row and runs its actions in turn.
inline void GeneralParser::runRow(Parsing& st, unsigned char byte) const {
  for (;;) {
    const RowInfo& row = info_[st.row];
    if (!row.simple) {
      runActions(st);
      return;
    }
    const CompiledAction* a = actions_.data() + row.firstAction;
    const CompiledAction* end = a + row.actionCount;
    bool returned = false;
    // Tested in the order of how often they occur: conditional branches predict better here
    // than one jump through a table.
    for (; a != end; ++a) {
      const int kind = a->kind;
      if (kind == kSetCode) {
        st.code = static_cast<int32_t>(a->value);
      } else if (kind == kCall) {
        st.calls.push_back(static_cast<int32_t>(a->value));
      } else if (kind == kSemanticAction) {
        a->action->run(st);
        if (st.failed) return;
      } else if (kind == kPushByte) {
        st.text.push_back(static_cast<char>(st.current));
      } else if (kind == kTake) {
        st.current = byte;
        ++st.consumed;
      } else if (kind == kReturn) {  // the last action of a simple row
        if (st.calls.empty()) {
          st.finished = true;
          st.row = 0;
          return;
        }
        st.row = st.calls.back();
        st.calls.pop_back();
        returned = true;
      } else if (kind == kPushConstantByte) {
        st.text.push_back(static_cast<char>(a->value));
      }
    }
    if (!returned) return;
  }
}

void GeneralParser::runActions(Parsing& st) const {
  // Actions after a return run once the returned-to row's actions are done.
  struct Pending {
    const CompiledAction* at;
    const CompiledAction* end;
  };
  std::vector<Pending> pending;
  const CompiledAction* a = actions_.data() + info_[st.row].firstAction;
  const CompiledAction* end = a + info_[st.row].actionCount;
  for (;;) {
    for (; a != end; ++a) {
      switch (a->kind) {
        case kPushByte:
          st.text.push_back(static_cast<char>(st.current));
          break;
        case kPushAccumulator:
          st.numbers.push_back(st.accumulator);
          st.accumulator = 0;
          break;
        case kPushConstantByte:
          st.text.push_back(static_cast<char>(a->value));
          break;
        case kPushConstantNumber:
          st.numbers.push_back(a->value);
          break;
        case kDecimalDigit: {
          const unsigned char c = st.current;
          VIXO_ASSERT(c>='0' && c<='9');
          st.accumulator = static_cast<int64_t>(static_cast<uint64_t>(st.accumulator) * 10u +
                                                static_cast<uint64_t>(c - '0'));
          break;
        }
        case kHexDigit: {
          const int digit = hexValue(st.current);
          VIXO_ASSERT(digit >= 0);
          st.accumulator = static_cast<int64_t>(static_cast<uint64_t>(st.accumulator) * 16u +
                                                static_cast<uint64_t>(digit));
          break;
        }
        case kEmitCodePoint:
          appendUtf8CodePoint(st.text, st.accumulator);
          st.accumulator = 0;
          break;
        case kReturn:
          if (st.calls.empty()) {
            st.finished = true;
            st.row = 0;
          } else {
            st.row = st.calls.back();
            st.calls.pop_back();
            if (a + 1 != end) pending.push_back({a + 1, end});
            a = actions_.data() + info_[st.row].firstAction;
            end = a + info_[st.row].actionCount;
            --a;  // the loop's increment lands on the first action of the new row
          }
          break;
        case kPrint: {
          const auto* data = static_cast<const Semantic::StringData*>(a->payload);
          std::cout << (data ? data->text : std::string()) << std::endl;
          break;
        }
        case kCall:
          st.calls.push_back(static_cast<int32_t>(a->value));
          break;
        case kCallback:
          a->callback(st, a->payload);
          if (st.failed) return;
          break;
        case kSemanticAction:
          a->action->run(st);
          if (st.failed) return;  // an action may refuse the input
          break;
        case kSetCode:
          st.code = static_cast<int32_t>(a->value);
          break;
        default:
          break;
      }
    }
    if (pending.empty()) return;
    a = pending.back().at;
    end = pending.back().end;
    pending.pop_back();
  }
}

void GeneralParser::run(std::istream& in, Parsing& st, const Rule& rule) const {
  st.text.clear();
  st.numbers.clear();
  st.calls.clear();
  st.accumulator = 0;
  st.current = 0;
  st.grammar = this;
  st.row = rule.startRow;
  st.failed = false;
  st.finished = false;
  st.consumed = 0;
  st.code = 0;
  VIXO_ASSERT(st.row >= 2);

  // The stream is read byte by byte through its buffer, as an unformatted single-character
  // read would, and its state is set the same way at the end of input. A buffer that throws
  // marks the stream bad, which leaves the run unfinished.
  std::streambuf* buffer = in.good() ? in.rdbuf() : nullptr;
  if (!buffer) in.setstate(std::ios::failbit);
  bool atEnd = in.eof();
  constexpr int kEnd = std::char_traits<char>::eof();
  constexpr int kBroken = kEnd - 1;
  auto bump = [&]() {
    try {
      return buffer->sbumpc();
    } catch (...) {
      return kBroken;
    }
  };
  auto peek = [&]() {
    try {
      return buffer->sgetc();
    } catch (...) {
      return kBroken;
    }
  };
  const RowInfo* rows = info_.data();
  while (buffer) {
    const int ci = bump();
    if (ci == kBroken) {
      in.setstate(std::ios::badbit);
      return;
    }
    if (ci == kEnd) {
      in.setstate(std::ios::eofbit | std::ios::failbit);
      atEnd = true;
      break;
    }
    const auto byte = static_cast<unsigned char>(ci);
    for (;;) {
      int32_t next = nextRow(st.row, byte);
      const bool take = next >= 0;
      if (!take) next = rows[st.row].def;
      if (next < 0) {
        st.failed = true;
        return;
      }
      if (take && !rows[next].takesLate) {
        st.current = byte;
        ++st.consumed;
      }
      st.row = next;
      if (rows[next].actionCount) runRow(st, byte);
      if (st.failed || st.finished) return;
      if (take) break;
    }
    const RowInfo& row = rows[st.row];
    if (row.selfLoop) {
      const int32_t* next = &table_[static_cast<size_t>(st.row) * classCount_];
      // Bytes that lead from this row to itself are taken straight from the buffer's memory.
      for (;;) {
        if (peek() < 0) break;  // also refills the buffer's window
        const char* from = BufferWindow::begin(buffer);
        const char* end = BufferWindow::end(buffer);
        const char* p = from;
        while (p != end && next[classOf_[static_cast<unsigned char>(*p)]] == st.row) ++p;
        const size_t n = static_cast<size_t>(p - from);
        if (n == 0) break;
        if (row.pushesByte) st.text.append(from, n);
        st.current = static_cast<unsigned char>(p[-1]);
        st.consumed += static_cast<int64_t>(n);
        BufferWindow::advance(buffer, n);
        if (p != end) break;
      }
    }
  }
  if (!atEnd) return;  // a stream that failed before its end leaves the run unfinished
  while (!st.finished && !st.failed) {
    const int32_t next = rows[st.row].def;
    if (next < 0) {
      st.failed = true;
      return;
    }
    st.row = next;
    runRow(st, 0);
  }
}

}  // namespace Brindle
