// The command line of the player: "-h", "edit <task file>" and "play <task file>".
//
// The grammar is built once and shared; every run has its own parse process. A grammar error
// never leaves run(): it is reported on standard error with an echo of the arguments read.
#pragma once

#include <cstdint>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>

#include "console_lib/simple_parser.h"

// A grammar error; message() is the error text the parse had reached.
class CmdParserError : public std::runtime_error {
 public:
  explicit CmdParserError(std::wstring message);
  const std::wstring& message() const { return message_; }

 private:
  std::wstring message_;
};

// What the command line asks for. playMode is set by the caller's open mode only.
struct CommandLineOptions {
  bool taskGiven = false;
  bool playMode = false;
  std::wstring taskPath;
};

namespace CmdParserNew {

// Keyword numbers of the keyword table.
enum Keyword : int32_t { kwEdit = 0, kwPlay = 1, kwHelp = 2 };

// Lower-cases the ASCII letters A to Z only, so that no locale or Unicode mapping can turn a
// foreign word into a keyword.
std::wstring lowerKeyword(std::wstring text);

namespace Predicates {

// True for an argument whose text, lower-cased, is one of the keywords.
class KeywrdPredicate {
 public:
  explicit KeywrdPredicate(const std::set<std::wstring>& keywords);
  bool operator()(const Lexem& token) const;

 private:
  std::set<std::wstring> keywords_;
};

// True for every argument, keywords included; false for the end marker.
bool anyArgument(const Lexem& token);
// True for the end marker only.
bool endOfInput(const Lexem& token);

}  // namespace Predicates

// The predicate of a keyword number; a number not in the table matches nothing.
const Predicates::KeywrdPredicate& keyword(int32_t number);
// The name of a help section; "unknown" for a number not in the table.
const std::wstring& sectionName(int32_t number);

// Stores its message as the process's current error text.
class SetError : public SimpleParser::Invokable {
 public:
  explicit SetError(std::wstring message) : message_(std::move(message)) {}
  void invoke(SimpleParser::ParseProcess& process) const override;
  std::shared_ptr<SimpleParser::Invokable> clone() const override;

 private:
  std::wstring message_;
};

// One parse of a command line.
class ParseProcess : public SimpleParser::ParseProcess {
 public:
  ParseProcess(const SimpleParser& grammar, int argc, const wchar_t* const* argv);
  void finished() override {}

  // The argument at the index, or the empty text when there is none.
  std::wstring argument(int32_t index) const;

  bool taskGiven = false;
  std::wstring taskPath;
  Lexem token;
  std::wstring errorText;
  std::wostringstream err;
  int32_t index = 1;
  int32_t argc;
  const wchar_t* const* argv;
};

// The grammar of the command line, built on first use.
const SimpleParser& buildGrammar();

// The help entries of a grammar: per section a "[name]" line and a two-column table, sections
// separated by an empty line.
std::wstring helpText(const SimpleParser& grammar);

// Parses argv[1..argc) with the grammar, writes the help (while reading), the banner and any
// error report as UTF-8, and fills the options. False after a grammar error.
bool run(const SimpleParser& grammar, CommandLineOptions& options, int argc,
         const wchar_t* const* argv, const std::wstring& banner);

}  // namespace CmdParserNew
