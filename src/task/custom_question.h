// Questions of the custom method, written by the operator as text, and the labels of test
// sequences.
//
// The text holds one block per question, blocks separated by blank lines: a question line
// ("[[key]] question" or just "question"), then one line per answer variant, "rank text".
#pragma once

#include <istream>
#include <string>
#include <utility>
#include <vector>

struct CustomQuestionVariant {
  double rank = 0;
  std::wstring text;
};

struct CustomQuestion {
  std::wstring key;   // empty when the question has none
  std::wstring text;  // the question
  std::vector<CustomQuestionVariant> variants;
  double minimumRank = 0;  // over the variants (set only when there are variants)
  double maximumRank = 0;
};

struct CustomQuestionParseResult {
  // How a read ended.
  enum Status : int {
    QuestionRead = 0,  // a question was read
    TextEnded = 1,     // the text ended before a question
    Error = 2,         // the text is wrong at `line`, as `message` says
  };

  int line = -1;
  std::wstring message;
  Status status = QuestionRead;
};

// Reads one question; `nextLine` is the number the next line read gets.
CustomQuestionParseResult parseCustomQuestion(CustomQuestion& question, std::wistream& in,
                                              int nextLine);
// Reads every question of the text (the first line is line 1). Questions read before an error
// stay in the vector.
CustomQuestionParseResult parseCustomQuestions(std::vector<CustomQuestion>& questions,
                                               std::wistream& in);
// Reads the questions of a text.
CustomQuestionParseResult parseCustomQuestions(std::vector<CustomQuestion>& questions,
                                               const std::wstring& text);

// "Reference" for a negative index, "A".."Z" for 0..25, two letters from 26 on.
std::string variantLabel(int index);

// The samples of the custom-question help: {title, sample text}.
const std::vector<std::pair<std::string, std::wstring>>& questionHelpTemplates();
