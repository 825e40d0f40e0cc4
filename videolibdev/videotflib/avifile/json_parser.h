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

// What the reader expected where it failed. The numbers are those of the error records that
// callers and stored reports know.
enum ErrorCode : int32_t {
  ExpectedValue = 1,                 // a value (after leading white space, after ":" or ",")
  ExpectedKeyOrObjectEnd = 2,        // after "{"
  ExpectedElementOrArrayEnd = 3,     // after "["; always followed by ExpectedValue
  ExpectedCommaOrObjectEnd = 4,      // after a member's value
  ExpectedCommaOrArrayEnd = 5,       // after an array element
  ExpectedKey = 6,                   // after "," in an object
  ExpectedElement = 7,               // after "," in an array; always followed by ExpectedValue
  ExpectedColon = 8,                 // after a member's key
  BadWhiteSpace = 9,                 // a malformed multi-byte white-space character
  BadEscape = 10,                    // a byte after a backslash that is no escape letter
  UnterminatedString = 11,           // the end of input inside a string
  ControlByteInString = 12,          // a control byte (or C2 80-9F) inside a string
  ExpectedHexDigit = 13,             // after "\u", four hexadecimal digits
  ExpectedExponentSignOrDigit = 14,  // after the exponent mark; always followed by ExpectedDigit
  ExpectedDigit = 15,                // after "-", ".", the exponent mark or its sign
  NumberOutOfRange = 16,             // a number beyond the range of a double
  OtherFailure = 17,                 // no code set: a stream that failed, or no value built
};

// Thrown by value on malformed input; callers report their own message.
//  code: what was expected;
//  charactersRead: bytes consumed before the failure; line: line breaks passed (0 on the first
//  line); lineStart: bytes consumed at the start of the current line.
struct Error {
  ErrorCode code = OtherFailure;
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
  explicit SetError(ErrorCode code) : code(code) {}
  void run(GeneralParser::Parsing& state) const override;
  bool isRepeatable() const override { return true; }
  bool setsCode(int32_t& value) const override {
    value = code;
    return true;
  }
  std::unique_ptr<GeneralParser::Semantic::ExtentionData> clone() const override {
    return std::make_unique<SetError>(code);
  }
  ErrorCode code;
};

// Which compilation of the grammar reads: the optimised automaton serves every reader; the plain
// one (the grammar compiled without its rewrites, built on first use) is the reference that tests
// and the fuzz target check the optimised one against.
enum class Automaton { Optimised, Plain };

JSON parse(std::istream& in, Automaton automaton = Automaton::Optimised);

}  // namespace JSONparser
}  // namespace Brindle
