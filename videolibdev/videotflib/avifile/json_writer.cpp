// The JSON text writer. Its output is a file format (task files, protocols, pass files, web
// replies): every byte of the layout matters.
#include <charconv>
#include <cmath>
#include <cstring>
#include <ostream>

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

// Text goes into a buffer that is handed to the stream in large pieces.
class Sink {
 public:
  Sink(std::string& buffer, std::ostream* out) : buf_(buffer), out_(out) {}
  void put(char c) { buf_.push_back(c); }
  void put(const char* s, size_t n) { buf_.append(s, n); }
  void put(std::string_view s) { buf_.append(s.data(), s.size()); }
  void blanks(int n) {
    if (n > 0) buf_.append(static_cast<size_t>(n), ' ');
  }
  void maybeFlush() {
    if (out_ && buf_.size() >= (1u << 16)) flush();
  }
  void flush() {
    if (out_ && !buf_.empty()) {
      out_->write(buf_.data(), static_cast<std::streamsize>(buf_.size()));
      buf_.clear();
    }
  }
  bool wroteFloat = false;

 private:
  std::string& buf_;
  std::ostream* out_;
};

constexpr char kHex[] = "0123456789abcdef";

bool isC1Second(unsigned char c) { return c >= 0x80 && c <= 0x9F; }

// Escapes bytes; control bytes, DEL and the UTF-8 forms of U+0080..U+009F become \u escapes.
void writeEscaped(Sink& out, std::string_view s) {
  const size_t n = s.size();
  size_t plainFrom = 0;
  auto flushPlain = [&](size_t upTo) {
    if (upTo > plainFrom) out.put(s.data() + plainFrom, upTo - plainFrom);
  };
  for (size_t i = 0; i < n; ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const char* escape = nullptr;
    switch (c) {
      case 0x08:
        escape = "\\b";
        break;
      case 0x09:
        escape = "\\t";
        break;
      case 0x0A:
        escape = "\\n";
        break;
      case 0x0C:
        escape = "\\f";
        break;
      case 0x0D:
        escape = "\\r";
        break;
      case 0x22:
        escape = "\\\"";
        break;
      case 0x5C:
        escape = "\\\\";
        break;
      default:
        break;
    }
    if (escape) {
      flushPlain(i);
      out.put(escape, 2);
      plainFrom = i + 1;
    } else if (c < 0x20 || c == 0x7F) {
      flushPlain(i);
      const char u[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
      out.put(u, 6);
      plainFrom = i + 1;
    } else if (c == 0xC2 && i + 1 < n && isC1Second(static_cast<unsigned char>(s[i + 1]))) {
      flushPlain(i);
      const auto d = static_cast<unsigned char>(s[i + 1]);
      const char u[6] = {'\\', 'u', '0', '0', kHex[d >> 4], kHex[d & 15]};
      out.put(u, 6);
      ++i;
      plainFrom = i + 1;
    }
  }
  flushPlain(n);
}

size_t escapedLength(std::string_view s) {
  size_t len = 0;
  for (size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == 0x08 || c == 0x09 || c == 0x0A || c == 0x0C || c == 0x0D || c == 0x22 || c == 0x5C)
      len += 2;
    else if (c < 0x20 || c == 0x7F)
      len += 6;
    else if (c == 0xC2 && i + 1 < s.size() && isC1Second(static_cast<unsigned char>(s[i + 1]))) {
      len += 6;
      ++i;
    } else
      len += 1;
  }
  return len;
}

// printf's "%#.17g" without the locale. Values in [1e16, 1e17) get a "0" after their point
// so that the text reads back as a number. Zero, subnormals, infinities and NaN are written as
// zero.
void writeFloat(Sink& out, double v) {
  out.wroteFloat = true;
  if (std::fpclassify(v) != FP_NORMAL) {
    out.put("0.0000000000000000");
    return;
  }
  char sci[40];
  auto r = std::to_chars(sci, sci + sizeof sci, v, std::chars_format::scientific, 16);
  const char* e = static_cast<const char*>(std::memchr(sci, 'e', r.ptr - sci));
  int exponent = 0;
  std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), r.ptr, exponent);
  if (exponent < -4 || exponent >= 17) {
    out.put(sci, r.ptr - sci);
    return;
  }
  char fixed[48];
  auto f = std::to_chars(fixed, fixed + sizeof fixed, v, std::chars_format::fixed, 16 - exponent);
  out.put(fixed, f.ptr - fixed);
  if (exponent == 16) out.put(".0", 2);
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
      char buf[24];
      auto r = std::to_chars(buf, buf + sizeof buf, static_cast<const Integer&>(e).value);
      out.put(buf, r.ptr - buf);
      break;
    }
    case Kind::Float:
      writeFloat(out, static_cast<const Float&>(e).value);
      break;
    case Kind::String:
      out.put('"');
      writeEscaped(out, static_cast<const String&>(e).value);
      out.put('"');
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
    int levels;  // this container's levels
    int indent;  // blanks before its closing bracket
    size_t keyWidth;
  };
  std::vector<Frame> stack;
  auto open = [&](const Elem* e, int lv, int in) {
    if (!e) {
      out.put("null");
      return;
    }
    if (e->kind() == Kind::Array) {
      if (static_cast<const Array*>(e)->items.empty()) {
        out.put("[]");
        return;
      }
      out.put('[');
      stack.push_back({e, 0, lv, in, 0});
    } else if (e->kind() == Kind::Object) {
      const auto& members = static_cast<const Object*>(e)->members;
      if (members.empty()) {
        out.put("{}");
        return;
      }
      out.put('{');
      size_t width = 0;
      if (lv == 1)
        for (const auto& m : members) width = std::max(width, escapedLength(m.key));
      stack.push_back({e, 0, lv, in, width});
    } else {
      writeScalar(out, *e);
    }
  };
  open(root, levels, indent);
  while (!stack.empty()) {
    out.maybeFlush();
    Frame& f = stack.back();
    const bool isArray = f.container->kind() == Kind::Array;
    const size_t count = isArray ? static_cast<const Array*>(f.container)->items.size()
                                 : static_cast<const Object*>(f.container)->members.size();
    if (f.next == count) {
      if (f.levels != 0) {
        out.put('\n');
        out.blanks(f.indent);
      }
      out.put(isArray ? ']' : '}');
      stack.pop_back();
      continue;
    }
    const size_t i = f.next++;
    if (i > 0) out.put(',');
    if (f.levels != 0) {
      out.put('\n');
      out.blanks(f.indent + 2);
    }
    const int childLevels = f.levels > 0 ? f.levels - 1 : f.levels;
    const int childIndent = f.indent + 2;
    if (isArray) {
      const Elem* child = static_cast<const Array*>(f.container)->items[i].element();
      open(child, childLevels, childIndent);  // may invalidate f
    } else {
      const auto& m = static_cast<const Object*>(f.container)->members[i];
      out.put('"');
      writeEscaped(out, m.key);
      out.put('"');
      if (f.levels == 1) out.blanks(static_cast<int>(f.keyWidth - escapedLength(m.key)));
      out.put(" : ", 3);
      open(m.value.element(), childLevels, childIndent);  // may invalidate f
    }
  }
}

void writeTo(std::ostream& os, const Elem* root, int levels, int indent) {
  std::string buffer;
  Sink out(buffer, &os);
  writeTree(out, root, levels, indent);
  out.flush();
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
  return text;
}

}  // namespace Brindle
