// The JSON reader: one value per call from a narrow stream.
//
// parse() stops as soon as one value is complete and reads nothing after it (after a top-level
// number, exactly the one byte that ended it), so several values written one after another can
// be read from one stream. The grammar is built on first use; afterwards any number of threads
// may parse at once.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <vector>

#include "avifile/general_parser.h"
#include "avifile/json.h"

namespace Brindle {
namespace JSONparser {

// Thrown by value on malformed input; callers report their own message.
//  code: what was expected (1 a value, 2 a key or "}", 3/7 an array element, 4 "," or "}",
//        5 "," or "]", 6 a key, 8 ":", 9 white space, 10 an escape, 11 the closing quotation
//        mark, 12 no control byte in a string, 13 a hexadecimal digit, 14/15 a digit,
//        16 a number within the range of a double, 17 any other failure);
//  charactersRead: bytes consumed before the failure; line: line breaks passed (0 on the first
//  line); lineStart: bytes consumed at the start of the current line.
struct Error {
  int32_t code = 17;
  int64_t charactersRead = 0;
  int64_t line = 0;
  int64_t lineStart = 0;
};

// The parse state of one read.
class Parsing : public GeneralParser::Parsing {
 public:
  bool negative = false;
  bool fraction = false;
  bool exponent = false;
  bool exponentNegative = false;

  std::vector<std::unique_ptr<JSONElements::Object>> objects;  // under construction
  std::vector<std::unique_ptr<JSONElements::Array>> arrays;    // under construction
  std::vector<std::unique_ptr<JSONElements::Elem>> values;     // finished
  // The String of the last member key, kept for the next string: keys are taken apart as
  // soon as their member is set.
  std::unique_ptr<JSONElements::String> spareString;

  int64_t line = 0;
  int64_t lineStart = 0;

  // A \u escape of a high surrogate waits for the low one that may follow it directly.
  int64_t pendingHigh = 0;
  size_t pendingHighEnd = 0;
};

// Sets the parse state's code (the error code of a failure) when run.
class SetError : public GeneralParser::Semantic::Action {
 public:
  explicit SetError(int32_t code) : code(code) {}
  void run(GeneralParser::Parsing& state) const override;
  bool isRepeatable() const override { return true; }
  bool setsCode(int32_t& value) const override {
    value = code;
    return true;
  }
  std::unique_ptr<GeneralParser::Semantic::ExtentionData> clone() const override {
    return std::make_unique<SetError>(code);
  }
  int32_t code;
};

JSON parse(std::istream& in);

}  // namespace JSONparser
}  // namespace Brindle
