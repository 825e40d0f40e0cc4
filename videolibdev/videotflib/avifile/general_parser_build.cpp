// Building a grammar and compiling it into rows: the steps, the action records, the states and
// rules, and the design's five compile passes (collapse, calls, prepare, number, emit). The
// rewrites that only speed runs up are in general_parser_optimise.cpp, the run in
// general_parser_run.cpp.
#include "avifile/general_parser.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <vector>

#include "avifile/assertion.h"

namespace Brindle {

namespace {
// State and rule numbers of every grammar come from one counter, so numbers only grow.
std::atomic<int> g_numberCounter{0};
}  // namespace

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
    if (GeneralParser::hexValue(static_cast<unsigned char>(b)) >= 0)
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
  rules_.push_back(std::make_unique<Rule>());
  return rules_.back().get();
}

void GeneralParser::defineRule(Rule* rule, State* entry, State* exit) {
  rule->entry = entry;
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
  }
}

void GeneralParser::compile(Compilation compilation) {
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
      }
      actions_.push_back(c);
    }
  }
  std::vector<int> junctionRows;
  for (auto& entry : index_) {
    State* s = entry.second;
    for (auto& step : s->optimizedTo->steps) step->fill(*s);
    if (s->junction) junctionRows.push_back(s->row);
  }

  const bool optimised = compilation == Compilation::Optimised;
  if (optimised) optimiseRows(junctionRows);
  buildTable();
  if (optimised) optimiseTable();
  for (auto& rule : rules_)
    if (rule->entry) rule->startRow = rule->entry->row;

  // Only the rows and the rules remain.
  for (auto& rule : rules_) rule->entry = nullptr;
  index_.clear();
  states_.clear();
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

}  // namespace Brindle
