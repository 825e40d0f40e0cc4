// The JSON reader on arbitrary bytes: it never crashes; the optimised automaton and the plain
// one (the grammar compiled without its rewrites) agree on every input: the same value and the
// same bytes left in the stream, or the same error record; and every value it accepts is written
// out in each layout and read back to an equal value.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <sstream>
#include <string>

#include "avifile/json.h"
#include "avifile/json_parser.h"

using Brindle::JSON;
namespace P = Brindle::JSONparser;

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "%s\n%s\n", what, text.c_str());
  std::abort();
}

struct Outcome {
  bool ok = false;
  JSON value;
  P::Error error;
  std::string rest;  // the bytes the reader left in the stream
};

Outcome read(const std::string& text, P::Automaton automaton) {
  std::istringstream in(text);
  Outcome o;
  try {
    o.value = P::parse(in, automaton);
    o.ok = true;
  } catch (const P::Error& e) {
    o.error = e;
  }
  in.clear();
  o.rest.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const Outcome fast = read(input, P::Automaton::Optimised);
  const Outcome plain = read(input, P::Automaton::Plain);
  if (fast.ok != plain.ok) fail("one automaton accepts what the other refuses", input);
  if (fast.rest != plain.rest) fail("the automata leave different bytes unread", input);
  if (!fast.ok) {
    const P::Error& e = fast.error;
    const P::Error& p = plain.error;
    if (e.code != p.code || e.charactersRead != p.charactersRead || e.line != p.line ||
        e.lineStart != p.lineStart)
      fail("the automata report different errors", input);
    if (e.code < P::ExpectedValue || e.code > P::OtherFailure || e.charactersRead < 0 ||
        e.charactersRead > int64_t(size) || e.lineStart > e.charactersRead)
      fail("implausible error record", input);
    return 0;
  }
  const JSON& value = fast.value;
  if (plain.value != value) fail("the automata read different values", input);
  for (int levels : {0, 1, -1}) {
    const std::string text = value.toString(levels);
    std::istringstream again(text);
    JSON back;
    try {
      back = P::parse(again);
    } catch (const P::Error& e) {
      fail("written text does not read back", text);
    }
    if (back != value) fail("value changed on its way through the writer", text);
  }
  // copies and conversions of whatever was read
  JSON copy = value;
  if (copy != value || value < copy) fail("copy differs", value.toString(0));
  for (auto kind : {JSON::Kind::String, JSON::Kind::Float, JSON::Kind::Integer, JSON::Kind::Boolean,
                    JSON::Kind::Array})
    (void)value.convertTo(kind);
  return 0;
}
