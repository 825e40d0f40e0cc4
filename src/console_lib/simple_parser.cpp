#include "console_lib/simple_parser.h"

SimpleParser::StateVisitor::~StateVisitor() = default;

void SimpleParser::Invokable::accept(StateVisitor&) const {}

SimpleParser::Invokable::~Invokable() = default;

SimpleParser::ParseProcess::~ParseProcess() = default;

// --- help entries

void SimpleParser::SetHelp::HelpCollector::add(HelpEntry entry) {
  auto& list = sections_[{entry.section, entry.sectionName}];
  list.push_back(std::move(entry));
}

SimpleParser::SetHelp::SetHelp(std::wstring usage, std::wstring description, int32_t section,
                               std::wstring sectionName)
    : entry_{std::move(usage), std::move(description), section, std::move(sectionName)} {}

void SimpleParser::SetHelp::invoke(ParseProcess&) const {}

void SimpleParser::SetHelp::accept(StateVisitor& visitor) const {
  if (auto* collector = dynamic_cast<HelpCollector*>(&visitor)) collector->add(entry_);
}

std::shared_ptr<SimpleParser::Invokable> SimpleParser::SetHelp::clone() const {
  return std::make_shared<SetHelp>(*this);
}

// --- building

SimpleParser::Handle SimpleParser::Handle::transition(Predicate predicate) const {
  VIXO_ASSERT(predicate);
  State& target = grammar_->newState();
  state_->transitions_.push_back({std::move(predicate), &target});
  return Handle(*grammar_, target);
}

SimpleParser::Handle SimpleParser::Handle::action(const Invokable& action) const {
  state_->actions_.push_back(action.clone());
  return *this;
}

SimpleParser::Handle SimpleParser::Handle::fallback(const Handle& target) const {
  VIXO_ASSERT(target.grammar_ == grammar_);
  state_->fallback_ = target.state_;
  return *this;
}

SimpleParser::SimpleParser() {
  start_ = &newState();
  end_ = &newState();
}

SimpleParser::State& SimpleParser::newState() {
  states_.push_back(std::make_unique<State>());
  return *states_.back();
}

SimpleParser::Handle SimpleParser::start() { return Handle(*this, *start_); }

SimpleParser::Handle SimpleParser::end() { return Handle(*this, *end_); }

// --- parsing

void SimpleParser::enter(ParseProcess& process, const State* state) const {
  VIXO_ASSERT(state != nullptr);
  // A walk through more fallbacks than the grammar has states goes round a ring of states
  // without transitions; it stops instead of running for ever.
  for (size_t walked = 0;; ++walked) {
    for (const auto& action : state->actions_) action->invoke(process);
    process.current_ = state;
    if (!state->transitions_.empty() || state->fallback_ == nullptr) return;
    if (walked >= states_.size()) return;
    state = state->fallback_;
  }
}

void SimpleParser::begin(ParseProcess& process) const {
  VIXO_ASSERT(process.grammar_ == this);
  enter(process, start_);
}

bool SimpleParser::feed(ParseProcess& process, const CmdParserNew::Lexem& token) const {
  VIXO_ASSERT(process.grammar_ == this && process.current_ != nullptr);
  // Bounded like enter(): a longer search goes round a ring of fallbacks.
  for (size_t walked = 0;; ++walked) {
    const State* state = process.current_;
    for (const Transition& transition : state->transitions_) {
      if (transition.predicate(token)) {
        enter(process, transition.target);
        if (token.end) process.finished();
        return true;
      }
    }
    if (state->fallback_ == nullptr || walked >= states_.size()) return false;
    enter(process, state->fallback_);
  }
}

// --- help

void SimpleParser::visit(StateVisitor& visitor) const { visitState(visitor, *start_); }

// Every transition leads to a state made for it, so the transitions form a tree and the
// recursion ends.
void SimpleParser::visitState(StateVisitor& visitor, const State& state) const {
  for (const auto& action : state.actions_) action->accept(visitor);
  for (const Transition& transition : state.transitions_) visitState(visitor, *transition.target);
}
