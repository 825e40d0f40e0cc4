// What the observers' browsers are shown during an online test: the message of the moment and
// the sub-questions of a question. Plain records, copied by value; no threads.
#pragma once

#include <string>
#include <vector>

// One sub-question of a question message.
struct OnlineQuestion {
  // How many label indices an answer carries; any other value counts as OneIndex.
  enum AnswerKind { OneIndex = 0, TwoIndices = 2, FreeText = 3 };

  std::wstring text;               // as the browser shows it
  std::vector<std::wstring> vars;  // answer labels; an answer is a 0-based index into them
  int type = OneIndex;

  // The number of indices an answer to this sub-question carries (0 for a free text).
  int indicesAsked() const;
};

struct OnlineMessage {
  enum Type { Registration = 0, Text = 1, Question = 2, Term = 3 };

  int seq = 0;      // 0 when published; the state counter in a copy read from the state
  int qIndex = -1;  // the pass's question number in a question message, -1 otherwise
  int type = Registration;
  std::wstring text;                      // of a text or term message
  std::vector<OnlineQuestion> questions;  // of a question message, in display order
};

// One registered observer.
struct ObserverEntry {
  std::wstring name;   // as registered, trimmed
  std::string userId;  // the key handed to the browser
};

// One accepted vote: (question index, sub-question index, observer's name, the answer's label
// indices, the answer's text), as the online state hands it on.
struct OnlineVote {
  int question = -1;
  int subQuestion = -1;
  std::wstring name;
  std::vector<int> votes;
  std::string text;
};
