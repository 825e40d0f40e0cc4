// The JSON reader on arbitrary bytes: it never crashes, and every value it accepts is written
// out in each layout and read back to an equal value.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "avifile/json.h"
#include "avifile/json_parser.h"

using Brindle::JSON;

namespace {

[[noreturn]] void fail(const char* what, const std::string& text) {
  std::fprintf(stderr, "%s\n%s\n", what, text.c_str());
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  JSON value;
  try {
    value = Brindle::JSONparser::parse(in);
  } catch (const Brindle::JSONparser::Error& e) {
    if (e.code < Brindle::JSONparser::ExpectedValue || e.code > Brindle::JSONparser::OtherFailure ||
        e.charactersRead < 0 || e.charactersRead > int64_t(size) || e.lineStart > e.charactersRead)
      fail("implausible error record", "");
    return 0;
  }
  for (int levels : {0, 1, -1}) {
    const std::string text = value.toString(levels);
    std::istringstream again(text);
    JSON back;
    try {
      back = Brindle::JSONparser::parse(again);
    } catch (const Brindle::JSONparser::Error& e) {
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
