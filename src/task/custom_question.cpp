#include "task/custom_question.h"

#include <locale.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

#include "avifile/avi_system.h"

namespace {

// strtod in the "C" locale: the usual number grammar (sign, exponent, hexadecimal), whatever
// locale GTK has set for the process.
locale_t classicLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return locale;
}

// The whole text must be a finite number: NaN or an infinity would make every comparison and
// the rank range of the question meaningless.
bool readRank(const std::wstring& text, double& rank) {
  const std::string narrow = toUtf8(text);
  if (narrow.empty() || !classicLocale()) return false;
  char* end = nullptr;
  const double value = strtod_l(narrow.c_str(), &end, classicLocale());
  // An embedded NUL stops the conversion early, so the length is compared, not *end.
  if (end != narrow.c_str() + narrow.size() || !std::isfinite(value)) return false;
  rank = value;
  return true;
}

CustomQuestionParseResult error(int line, const wchar_t* message) {
  return {line, message, CustomQuestionParseResult::Error};
}

}  // namespace

CustomQuestionParseResult parseCustomQuestion(CustomQuestion& question, std::wistream& in,
                                              int nextLine) {
  question = CustomQuestion();
  std::wstring raw;
  bool haveQuestion = false;
  while (std::getline(in, raw, L'\n')) {
    const int line = nextLine++;
    const std::wstring text = trim(raw);
    if (!haveQuestion) {
      if (text.empty()) continue;
      haveQuestion = true;
      if (text.compare(0, 2, L"[[") == 0) {
        const size_t close = text.find(L"]]");
        if (close == std::wstring::npos) return error(line, L"Key not ended");
        question.key = text.substr(2, close - 2);
        question.text = trimLeft(text.substr(close + 2));
        if (question.text.empty()) return error(line, L"Empty questions not allowed");
      } else {
        question.text = text;
      }
      continue;
    }
    if (text.empty()) break;  // the blank line that ends the question is consumed with it
    const size_t gap = text.find_first_of(L" \t");
    if (gap == std::wstring::npos) return error(line, L"You should specify rank for variant");
    CustomQuestionVariant variant;
    if (!readRank(text.substr(0, gap), variant.rank))
      return error(line, L"Incorrect rank for variant. Should be a number");
    variant.text = trimLeft(text.substr(gap));
    question.variants.push_back(std::move(variant));
  }
  if (!haveQuestion) return {nextLine, L"", CustomQuestionParseResult::TextEnded};
  if (!question.variants.empty()) {
    const auto byRank = [](const CustomQuestionVariant& a, const CustomQuestionVariant& b) {
      return a.rank < b.rank;
    };
    const auto [least, greatest] =
        std::minmax_element(question.variants.begin(), question.variants.end(), byRank);
    question.minimumRank = least->rank;
    question.maximumRank = greatest->rank;
  }
  return {nextLine, L"", CustomQuestionParseResult::QuestionRead};
}

CustomQuestionParseResult parseCustomQuestions(std::vector<CustomQuestion>& questions,
                                               std::wistream& in) {
  int nextLine = 1;
  bool any = false;
  for (;;) {
    CustomQuestion question;
    const CustomQuestionParseResult result = parseCustomQuestion(question, in, nextLine);
    if (result.status == CustomQuestionParseResult::Error) return result;
    if (result.status == CustomQuestionParseResult::TextEnded) {
      if (!any)
        return {result.line, L"Specify at least one custom question",
                CustomQuestionParseResult::Error};
      return {-1, L"", CustomQuestionParseResult::QuestionRead};
    }
    questions.push_back(std::move(question));
    any = true;
    nextLine = result.line;
  }
}

CustomQuestionParseResult parseCustomQuestions(std::vector<CustomQuestion>& questions,
                                               const std::wstring& text) {
  std::wistringstream in(text);
  return parseCustomQuestions(questions, in);
}

std::string variantLabel(int index) {
  if (index < 0) return "Reference";
  if (index <= 25) return std::string(1, static_cast<char>('A' + index));
  if (index < 650) {
    // Base 25: the first letter is never "A", so no two-letter label repeats or equals another.
    return {static_cast<char>('A' + index / 25), static_cast<char>('A' + index % 25)};
  }
  // Past "ZY" the first letter would leave the alphabet: the index is written in base-25 digits
  // instead, three letters and more ("BBA" for 650), so no label repeats or changes length back.
  std::string label;
  for (int rest = index; rest > 0; rest /= 25)
    label.insert(label.begin(), static_cast<char>('A' + rest % 25));
  return label;
}

const std::vector<std::pair<std::string, std::wstring>>& questionHelpTemplates() {
  static const std::vector<std::pair<std::string, std::wstring>> templates{
      {"one simple question",
       L"Please, evaluate quality of watched video\n5 Excellent\n4 Good\n3 Fair\n2 Poor\n1 Bad"},
      {"one question for pair",
       L"Please, choose better video\n-1 Left is much better\n-0.5 Left is slightly better\n0 "
       L"Can't choose\n0.5 Right is slightly better\n1 Right is better"},
      {"multiple questions",
       L"Did you satisfied content of wathed video?\n1 Yes\n0 No\n\nWas the content "
       L"annoying?\n1 Yes\n0 No\n\nWas the content boring?\n1 Yes\n0 No"},
      {"multiple questions with keys",
       L"[[sat]] Did you satisfied content of wathed video?\n1 Yes\n0 No\n\n[[ann]] Was the "
       L"content annoying?\n1 Yes\n0 No\n\n[[bor]] Was the content boring?\n1 Yes\n0 No"},
  };
  return templates;
}
