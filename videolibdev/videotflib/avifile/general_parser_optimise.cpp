// The rewrites of a compiled grammar that change no outcome, only how fast a run gets there:
// code-setting actions stored inline, rows a run may loop over without running their actions,
// junction rows folded with their targets, dropped tail calls, simple rows run inline, fused
// default paths and dropped dead codes. A grammar compiled as Plain skips all of them; the JSON
// reader's differential fuzz target checks that both automata agree.
#include "avifile/general_parser.h"

#include <algorithm>
#include <functional>
#include <map>
#include <vector>

namespace Brindle {

void GeneralParser::optimiseRows(const std::vector<int>& junctionRows) {
  inlineCodesAndMarkLoops();
  foldJunctions(junctionRows);
  simplifyCalls();
  markSimpleRows();
}

void GeneralParser::optimiseTable() {
  fuseDefaults();
  dropDeadCodes();
}

// A semantic action whose whole effect is storing a code becomes a code stored inline. A row
// whose actions are, besides at most one "push byte", all repeatable may take the bytes that
// lead back to it in a tight loop.
void GeneralParser::inlineCodesAndMarkLoops() {
  for (Row& row : rows_) {
    int pushes = 0;
    bool repeatable = true;
    for (uint32_t i = 0; i < row.actionCount; ++i) {
      CompiledAction& c = actions_[row.firstAction + i];
      if (c.kind == kSemanticAction) {
        int32_t code = 0;
        if (c.action->setsCode(code)) {
          c.kind = kSetCode;
          c.value = code;
        }
        repeatable = repeatable && c.action->isRepeatable();
      } else if (c.kind == kPushByte) {
        ++pushes;
      } else {
        repeatable = false;
      }
    }
    row.selfLoop = repeatable && pushes <= 1;
    row.pushesByte = pushes == 1;
  }
}

// Rows of only pushes, calls, semantic actions and at most one return at the end run inline.
void GeneralParser::markSimpleRows() {
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

}  // namespace Brindle
