// Running a compiled grammar over a stream, and the UTF-8 emission of code points.
#include "avifile/general_parser.h"

#include <iostream>
#include <streambuf>
#include <vector>

#include "avifile/assertion.h"

namespace Brindle {

namespace {

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

}  // namespace

int GeneralParser::hexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

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
