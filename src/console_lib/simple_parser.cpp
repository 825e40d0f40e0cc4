#include "console_lib/simple_parser.h"

#include <algorithm>
#include <cstddef>

#include "avifile/avi_system.h"

std::string toConsoleUtf8(std::wstring_view text) {
  static const std::string kReplacement = toUtf8(L"\uFFFD");
  std::string out;
  out.reserve(text.size());
  // One character at a time: toUtf8 refuses a whole text for one bad character.
  for (size_t i = 0; i < text.size(); ++i) {
    const std::string encoded = toUtf8(text.substr(i, 1));
    out += encoded.empty() ? kReplacement : encoded;
  }
  return out;
}

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

std::wstring SimpleParser::helpText() const {
  SetHelp::HelpCollector collector;
  visit(collector);
  std::wstring out;
  bool first = true;
  for (const auto& [section, entries] : collector.sections()) {
    if (!first) out += L'\n';
    first = false;
    out += L'[' + section.second + L"]\n";
    std::vector<std::vector<std::wstring>> rows;
    rows.reserve(entries.size());
    for (const HelpEntry& entry : entries) rows.push_back({entry.usage, entry.description});
    out += layoutTable({2, 6}, rows);
  }
  return out;
}

namespace {

constexpr size_t kTableWidth = 80;

bool isClosingBracket(wchar_t c) { return c == L')' || c == L']' || c == L'}'; }
bool isOpeningBracket(wchar_t c) { return c == L'(' || c == L'[' || c == L'{'; }
bool isPunctuation(wchar_t c) {
  return c == L'!' || c == L',' || c == L'.' || c == L':' || c == L'?';
}

struct Piece {
  std::wstring text;
  size_t next;  // where the following piece starts
};

Piece makePiece(const std::wstring& cell, size_t from, size_t to, size_t next) {
  std::wstring text = cell.substr(from, to - from);
  std::replace(text.begin(), text.end(), L'\t', L' ');
  return {std::move(text), next};
}

// The next piece of a cell that fits a column of the given width.
Piece cutPiece(const std::wstring& cell, size_t start, size_t width) {
  const size_t limit = std::min(cell.size(), start + width);
  size_t lastBreak = start;
  for (size_t i = start; i < limit; ++i) {
    const wchar_t c = cell[i];
    if (c == L'\n') return makePiece(cell, start, i, i + 1);
    if (c == L' ' || c == L'\t' || isOpeningBracket(c)) {
      lastBreak = i;
    } else if (isClosingBracket(c) ||
               (isPunctuation(c) && (i + 1 >= cell.size() || !isPunctuation(cell[i + 1])))) {
      lastBreak = i + 1;
    }
  }
  if (limit == cell.size()) return makePiece(cell, start, cell.size(), cell.size());
  if (lastBreak > start) return makePiece(cell, start, lastBreak, lastBreak);
  // At least one character, so that a column of width 0 cannot stall the row.
  const size_t hard = start + std::max<size_t>(width, 1);
  return makePiece(cell, start, hard, hard);
}

}  // namespace

std::wstring SimpleParser::layoutTable(const std::vector<unsigned>& weights,
                                       const std::vector<std::vector<std::wstring>>& rows) {
  const size_t columns = weights.size();
  if (columns == 0) return std::wstring(rows.size(), L'\n');
  size_t weightSum = 0;
  for (unsigned weight : weights) weightSum += weight;
  VIXO_ASSERT(weightSum > 0);
  const size_t room = kTableWidth - 1 > columns ? kTableWidth - 1 - columns : 0;

  std::vector<size_t> widths;
  size_t begin = 0;
  size_t partial = 0;
  for (unsigned weight : weights) {
    partial += weight;
    const size_t end = partial * room / weightSum;
    widths.push_back(end - begin);
    begin = end;
  }

  std::wstring out;
  static const std::wstring kEmpty;
  for (const auto& row : rows) {
    auto cell = [&](size_t column) -> const std::wstring& {
      return column < row.size() ? row[column] : kEmpty;
    };
    std::vector<size_t> positions(columns, 0);
    auto pending = [&] {
      for (size_t column = 0; column < columns; ++column) {
        if (positions[column] < cell(column).size()) return true;
      }
      return false;
    };
    while (pending()) {
      for (size_t column = 0; column < columns; ++column) {
        out += L' ';
        const std::wstring& text = cell(column);
        std::wstring piece;
        if (positions[column] < text.size()) {
          Piece cut = cutPiece(text, positions[column], widths[column]);
          piece = std::move(cut.text);
          positions[column] = cut.next;
        }
        out += piece;
        if (piece.size() < widths[column]) out.append(widths[column] - piece.size(), L' ');
      }
      out += L'\n';
    }
    out += L'\n';
  }
  return out;
}
