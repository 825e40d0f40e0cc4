#include "console_lib/cmd_parser.h"

#include <iostream>
#include <map>
#include <memory>
#include <vector>

#include "avifile/avi_system.h"
#include "console_lib/console_text.h"

CmdParserError::CmdParserError(std::wstring message)
    : std::runtime_error(toConsoleUtf8(message)), message_(std::move(message)) {}

namespace CmdParserNew {

std::wstring lowerKeyword(std::wstring text) {
  for (wchar_t& c : text) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  return text;
}

namespace Predicates {

KeywrdPredicate::KeywrdPredicate(const std::set<std::wstring>& keywords) {
  for (const std::wstring& keyword : keywords) keywords_.insert(lowerKeyword(keyword));
}

bool KeywrdPredicate::operator()(const Lexem& token) const {
  return !token.end && keywords_.count(lowerKeyword(token.text)) != 0;
}

bool anyArgument(const Lexem& token) { return !token.end; }

bool endOfInput(const Lexem& token) { return token.end; }

}  // namespace Predicates

namespace {

// The predicates lower-case their words themselves.
const std::map<int32_t, Predicates::KeywrdPredicate>& predicateTable() {
  static const std::map<int32_t, Predicates::KeywrdPredicate> table = {
      {kwEdit, Predicates::KeywrdPredicate({L"edit"})},
      {kwPlay, Predicates::KeywrdPredicate({L"play"})},
      {kwHelp, Predicates::KeywrdPredicate({L"-h"})},
  };
  return table;
}

constexpr int32_t kBasicSection = 0;

}  // namespace

const Predicates::KeywrdPredicate& keyword(int32_t number) {
  static const Predicates::KeywrdPredicate none({});
  const auto& table = predicateTable();
  auto found = table.find(number);
  return found == table.end() ? none : found->second;
}

const std::wstring& sectionName(int32_t number) {
  static const std::map<int32_t, std::wstring> table = {{kBasicSection, L"Basic"}};
  static const std::wstring unknown = L"unknown";
  auto found = table.find(number);
  return found == table.end() ? unknown : found->second;
}

void SetError::invoke(SimpleParser::ParseProcess& process) const {
  const SimpleParser::ParseProcessMemberFunction<ParseProcess> store(
      [this](ParseProcess& typed) { typed.errorText = message_; });
  store.invoke(process);
}

std::shared_ptr<SimpleParser::Invokable> SetError::clone() const {
  return std::make_shared<SetError>(*this);
}

ParseProcess::ParseProcess(const SimpleParser& grammar, int argc, const wchar_t* const* argv)
    : SimpleParser::ParseProcess(grammar),
      argc(argv == nullptr || argc < 0 ? 0 : argc),
      argv(argv) {}

std::wstring ParseProcess::argument(int32_t at) const {
  if (at < 0 || at >= argc || argv[at] == nullptr) return {};
  return argv[at];
}

namespace {

std::unique_ptr<const SimpleParser> makeGrammar() {
  using Help = SimpleParser::SetHelp;
  using Call = SimpleParser::ParseProcessMemberFunction<ParseProcess>;
  const std::wstring expectedTask = L"Expected task file";
  const Call takeTaskFile([](ParseProcess& process) {
    process.taskPath = process.token.text;
    process.taskGiven = true;
  });
  // Help goes straight to standard output while the arguments are read.
  const Call printHelp(
      [](ParseProcess& process) { std::cout << toConsoleUtf8(helpText(process.grammar())); });

  auto grammar = std::make_unique<SimpleParser>();
  const SimpleParser::Handle start = grammar->start();
  start.action(SetError(L"Unknown statement. Run vixo with '-h' parameter to see all options"));

  start.transition(keyword(kwHelp))
      .action(Help(L"-h", L" display help information about VIXO command line arguments;",
                   kBasicSection, sectionName(kBasicSection)))
      .action(printHelp)
      .fallback(start);

  // "edit <task file>" and "play <task file>" differ in their words only.
  const auto taskCommand = [&](int32_t word, const std::wstring& usage,
                               const std::wstring& description) {
    start.transition(keyword(word))
        .action(Help(usage, description, kBasicSection, sectionName(kBasicSection)))
        .action(SetError(expectedTask))
        .transition(Predicates::anyArgument)
        .action(takeTaskFile)
        .fallback(start);
  };
  taskCommand(kwEdit, L"edit <task file>", L" edit VIXO task;");
  taskCommand(kwPlay, L"play <task file>", L" play VIXO task;");

  start.transition(Predicates::endOfInput).fallback(grammar->end());
  return grammar;
}

// The report of a grammar error at the process's current argument.
void reportError(ParseProcess& process, const CmdParserError& error) {
  std::wostringstream& err = process.err;
  err << L"Error parsing command line after\n";
  const int32_t failing = process.token.end ? process.argc : process.index;
  for (int32_t i = 1; i < failing; ++i) {
    if (i > 1) err << L' ';
    err << quoteArgument(process.argument(i));
  }
  if (failing > 1) err << L'\n';
  if (process.token.end) {
    err << L"<end of args>";
  } else {
    err << quoteArgument(process.argument(failing));
  }
  err << L": " << error.message() << L'\n';
  err << L"Use \"" << process.argument(0) << L" -h\" to see all available options\n";
}

}  // namespace

const SimpleParser& buildGrammar() {
  // Held through a pointer: the grammar's states refer to each other and must not move.
  static const std::unique_ptr<const SimpleParser> grammar = makeGrammar();
  return *grammar;
}

std::wstring helpText(const SimpleParser& grammar) {
  SimpleParser::SetHelp::HelpCollector collector;
  grammar.visit(collector);
  std::wstring out;
  bool first = true;
  for (const auto& [section, entries] : collector.sections()) {
    if (!first) out += L'\n';
    first = false;
    out += L'[' + section.second + L"]\n";
    std::vector<std::vector<std::wstring>> rows;
    rows.reserve(entries.size());
    for (const SimpleParser::HelpEntry& entry : entries)
      rows.push_back({entry.usage, entry.description});
    out += layoutTable({2, 6}, rows);
  }
  return out;
}

bool run(const SimpleParser& grammar, CommandLineOptions& options, int argc,
         const wchar_t* const* argv, const std::wstring& banner) {
  ParseProcess process(grammar, argc, argv);
  // Stops at the first token the grammar refuses.
  const auto parse = [&] {
    grammar.begin(process);
    for (process.index = 1; process.index < process.argc; ++process.index) {
      process.token = Lexem{process.argument(process.index), false};
      if (!grammar.feed(process, process.token)) return false;
    }
    process.token = Lexem{std::wstring(), true};
    return grammar.feed(process, process.token);
  };
  const bool parsed = parse();
  if (!parsed) reportError(process, CmdParserError(process.errorText));

  std::cout << toConsoleUtf8(banner) << std::flush;
  const std::wstring errors = process.err.str();
  if (!errors.empty()) std::cerr << toConsoleUtf8(errors) << '\n' << std::flush;

  options.taskGiven = process.taskGiven;
  options.taskPath = process.taskPath;
  return parsed;
}

}  // namespace CmdParserNew
