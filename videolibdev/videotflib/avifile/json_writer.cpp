// The JSON text writer. Its output is a file format (task files, protocols, pass files, web
// replies): every byte of the layout matters.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "avifile/json.h"

namespace Brindle {

using JSONElements::Array;
using JSONElements::Boolean;
using JSONElements::Elem;
using JSONElements::Float;
using JSONElements::Integer;
using JSONElements::Kind;
using JSONElements::Object;
using JSONElements::String;

namespace {

// Text goes into a buffer that is handed to the stream in large pieces, or that becomes the
// text itself when there is no stream. Writers ask for room first and then store their bytes
// without a check per byte.
class Sink {
 public:
  static constexpr size_t kChunk = size_t{1} << 16;

  Sink(std::string& buffer, std::ostream* out) : buf_(buffer), out_(out) {
    // Most texts are small (web replies, keys); the buffer grows with what is written.
    buf_.resize(256);
    pos_ = buf_.data();
    end_ = pos_ + buf_.size();
  }
  // The position of at least n free bytes; done() takes the end of what was stored there.
  char* room(size_t n) {
    if (static_cast<size_t>(end_ - pos_) < n) makeRoom(n);
    return pos_;
  }
  void done(char* end) { pos_ = end; }
  void put(char c) {
    *room(1) = c;
    ++pos_;
  }
  void put(const char* s, size_t n) {
    std::memcpy(room(n), s, n);
    pos_ += n;
  }
  void put(std::string_view s) { put(s.data(), s.size()); }
  void blanks(int n) {
    if (n <= 0) return;
    std::memset(room(static_cast<size_t>(n)), ' ', static_cast<size_t>(n));
    pos_ += n;
  }
  // Hands the rest to the stream, or cuts the text to what was written.
  void finish() {
    const size_t used = static_cast<size_t>(pos_ - buf_.data());
    if (out_) {
      if (used) out_->write(buf_.data(), static_cast<std::streamsize>(used));
      buf_.clear();
    } else {
      buf_.resize(used);
    }
  }
  bool wroteFloat = false;

 private:
  void makeRoom(size_t n) {
    size_t used = static_cast<size_t>(pos_ - buf_.data());
    // A stream takes the buffer once it has grown to a chunk.
    if (out_ && used > 0 && buf_.size() >= kChunk) {
      out_->write(buf_.data(), static_cast<std::streamsize>(used));
      used = 0;
    }
    if (buf_.size() - used < n) buf_.resize(std::max(buf_.size() * 2, used + n));
    pos_ = buf_.data() + used;
    end_ = buf_.data() + buf_.size();
  }

  std::string& buf_;
  std::ostream* out_;
  char* pos_;
  char* end_;
};

constexpr char kHex[] = "0123456789abcdef";

// What the escaping does with each byte.
enum ByteClass : unsigned char {
  kPlain,
  kShortEscape,  // backslash and a letter
  kHexEscape,    // \u00XX
  kLeadC2,       // escaped together with a following byte 0x80..0x9F
};

struct EscapeTables {
  ByteClass kind[256];
  char letter[256];
};

constexpr EscapeTables makeEscapeTables() {
  EscapeTables t{};
  for (int c = 0; c < 256; ++c) {
    t.kind[c] = (c < 0x20 || c == 0x7F) ? kHexEscape : kPlain;
    t.letter[c] = 0;
  }
  const struct {
    unsigned char byte;
    char letter;
  } shortEscapes[] = {{0x08, 'b'}, {0x09, 't'}, {0x0A, 'n'}, {0x0C, 'f'},
                      {0x0D, 'r'}, {0x22, '"'}, {0x5C, '\\'}};
  for (const auto& e : shortEscapes) {
    t.kind[e.byte] = kShortEscape;
    t.letter[e.byte] = e.letter;
  }
  t.kind[0xC2] = kLeadC2;
  return t;
}

constexpr EscapeTables kEscape = makeEscapeTables();

bool isC1Second(unsigned char c) { return c >= 0x80 && c <= 0x9F; }

char* putHexEscape(char* p, unsigned char c) {
  const char u[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
  std::memcpy(p, u, 6);
  return p + 6;
}

// Escapes the bytes [i, pieceEnd) of s (a C2 pair may read one byte further) into p, which has
// room for six bytes for each byte read; control bytes, DEL and the UTF-8 forms of
// U+0080..U+009F become \u escapes. Returns the end of what was written.
char* escapePiece(char* p, std::string_view s, size_t& i, size_t pieceEnd) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
  while (i < pieceEnd) {
    size_t plainEnd = i;
    while (plainEnd < pieceEnd && kEscape.kind[bytes[plainEnd]] == kPlain) ++plainEnd;
    std::memcpy(p, bytes + i, plainEnd - i);
    p += plainEnd - i;
    i = plainEnd;
    if (i == pieceEnd) break;
    const unsigned char c = bytes[i++];
    switch (kEscape.kind[c]) {
      case kShortEscape:
        *p++ = '\\';
        *p++ = kEscape.letter[c];
        break;
      case kHexEscape:
        p = putHexEscape(p, c);
        break;
      default:  // kLeadC2
        if (i < s.size() && isC1Second(bytes[i]))
          p = putHexEscape(p, bytes[i++]);
        else
          *p++ = static_cast<char>(c);
        break;
    }
  }
  return p;
}

// A string in quotation marks, escaped. Long strings go in pieces so that the room asked for
// stays within a chunk.
void writeQuoted(Sink& out, std::string_view s) {
  constexpr size_t kPiece = Sink::kChunk / 8;
  size_t i = 0;
  if (s.size() <= kPiece) {
    char* p = out.room(6 * s.size() + 2);
    *p++ = '"';
    p = escapePiece(p, s, i, s.size());
    *p++ = '"';
    out.done(p);
    return;
  }
  out.put('"');
  while (i < s.size()) {
    const size_t pieceEnd = std::min(s.size(), i + kPiece);
    out.done(escapePiece(out.room(6 * (pieceEnd - i)), s, i, pieceEnd));
  }
  out.put('"');
}

size_t escapedLength(std::string_view s) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(s.data());
  size_t len = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    switch (kEscape.kind[bytes[i]]) {
      case kPlain:
        len += 1;
        break;
      case kShortEscape:
        len += 2;
        break;
      case kHexEscape:
        len += 6;
        break;
      case kLeadC2:
        if (i + 1 < s.size() && isC1Second(bytes[i + 1])) {
          len += 6;
          ++i;
        } else {
          len += 1;
        }
        break;
    }
  }
  return len;
}

// printf's "%#.17g" without the locale. Values in [1e16, 1e17) get a "0" after their point
// so that the text reads back as a number. Zero, subnormals, infinities and NaN are written as
// zero. The fixed form is laid out from the digits of the scientific one: both round to the
// same 17 significant digits.
void writeFloat(Sink& out, double v) {
  out.wroteFloat = true;
  if (std::fpclassify(v) != FP_NORMAL) {
    out.put("0.0000000000000000");
    return;
  }
  char sci[40];
  const char* sciEnd =
      std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific, 16).ptr;
  // sci: [-]d.dddddddddddddddde(+|-)XX[X]
  const size_t sign = sci[0] == '-' ? 1 : 0;
  const char* digits = sci + sign;  // d, point, 16 digits
  const char* e = digits + 18;
  int exponent = 0;
  for (const char* x = e + 2; x < sciEnd; ++x) exponent = exponent * 10 + (*x - '0');
  if (e[1] == '-') exponent = -exponent;
  char* p = out.room(32);
  if (exponent < -4 || exponent >= 17) {
    std::memcpy(p, sci, static_cast<size_t>(sciEnd - sci));
    out.done(p + (sciEnd - sci));
    return;
  }
  if (sign) *p++ = '-';
  if (exponent < 0) {
    // 0.000ddddddddddddddddd
    *p++ = '0';
    *p++ = '.';
    for (int z = -1; z > exponent; --z) *p++ = '0';
    *p++ = digits[0];
    std::memcpy(p, digits + 2, 16);
    p += 16;
  } else {
    // The integer digits, the point, the rest; nothing after the point gets a "0".
    *p++ = digits[0];
    std::memcpy(p, digits + 2, static_cast<size_t>(exponent));
    p += exponent;
    *p++ = '.';
    if (exponent == 16) {
      *p++ = '0';
    } else {
      std::memcpy(p, digits + 2 + exponent, static_cast<size_t>(16 - exponent));
      p += 16 - exponent;
    }
  }
  out.done(p);
}

void writeScalar(Sink& out, const Elem& e) {
  switch (e.kind()) {
    case Kind::Null:
      out.put("null");
      break;
    case Kind::Boolean:
      out.put(static_cast<const Boolean&>(e).value ? "true" : "false");
      break;
    case Kind::Integer: {
      char* p = out.room(24);
      out.done(std::to_chars(p, p + 24, static_cast<const Integer&>(e).value).ptr);
      break;
    }
    case Kind::Float:
      writeFloat(out, static_cast<const Float&>(e).value);
      break;
    case Kind::String:
      writeQuoted(out, static_cast<const String&>(e).value);
      break;
    default:
      break;
  }
}

// Writes a tree without recursion; each open container is a frame on the stack.
void writeTree(Sink& out, const Elem* root, int levels, int indent) {
  struct Frame {
    const Elem* container;
    size_t next;
    size_t count;
    size_t keyWidth;
    int levels;  // this container's levels
    int indent;  // blanks before its closing bracket
    bool isArray;
  };
  std::vector<Frame> stack;
  const Elem* e = root;
  int lv = levels;
  int in = indent;
  for (;;) {
    // The value e: a scalar whole, a container up to its opening bracket.
    if (!e) {
      out.put("null", 4);
    } else if (e->kind() == Kind::Array) {
      const size_t count = static_cast<const Array*>(e)->items.size();
      if (count == 0) {
        out.put("[]", 2);
      } else {
        out.put('[');
        stack.push_back({e, 0, count, 0, lv, in, true});
      }
    } else if (e->kind() == Kind::Object) {
      const auto& members = static_cast<const Object*>(e)->members;
      if (members.empty()) {
        out.put("{}", 2);
      } else {
        out.put('{');
        size_t width = 0;
        if (lv == 1)
          for (const auto& m : members) width = std::max(width, escapedLength(m.key));
        stack.push_back({e, 0, members.size(), width, lv, in, false});
      }
    } else {
      writeScalar(out, *e);
    }
    // Close the containers that are done, then lead in to the next value.
    for (;;) {
      if (stack.empty()) return;
      Frame& f = stack.back();
      if (f.next < f.count) break;
      if (f.levels != 0) {
        out.put('\n');
        out.blanks(f.indent);
      }
      out.put(f.isArray ? ']' : '}');
      stack.pop_back();
    }
    Frame& f = stack.back();
    const size_t i = f.next++;
    if (i > 0) out.put(',');
    if (f.levels != 0) {
      out.put('\n');
      out.blanks(f.indent + 2);
    }
    lv = f.levels > 0 ? f.levels - 1 : f.levels;
    in = f.indent + 2;
    if (f.isArray) {
      e = static_cast<const Array*>(f.container)->items[i].element();
    } else {
      const auto& m = static_cast<const Object*>(f.container)->members[i];
      writeQuoted(out, m.key);
      if (f.levels == 1) out.blanks(static_cast<int>(f.keyWidth - escapedLength(m.key)));
      out.put(" : ", 3);
      e = m.value.element();
    }
  }
}

void writeTo(std::ostream& os, const Elem* root, int levels, int indent) {
  std::string buffer;
  Sink out(buffer, &os);
  writeTree(out, root, levels, indent);
  out.finish();
  if (out.wroteFloat) {
    // Writing a float leaves the stream set up as "%#.17g" would be.
    os.precision(17);
    os.setf(std::ios::showpoint);
  }
}

}  // namespace

void Elem::write(std::ostream& out, int levels, int indent) const {
  writeTo(out, this, levels, indent);
}

void JSON::write(std::ostream& out, int levels, int indent) const {
  writeTo(out, elem_, levels, indent);
}

std::string JSON::toString(int levels) const {
  std::string text;
  Sink out(text, nullptr);
  writeTree(out, elem_, levels, 0);
  out.finish();
  return text;
}

}  // namespace Brindle
