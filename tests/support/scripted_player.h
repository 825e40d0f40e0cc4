// A player without windows for tests of whole passes: it answers from a script, records every
// call it receives as one line of text, and delivers marks through the play's recorder as a
// real player does.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "avifile/avi_system.h"
#include "player/vixo_player.h"
#include "task/answer_getter.h"
#include "task/custom_question.h"
#include "task/method_custom.h"
#include "task/play.h"

namespace vixo_test {

class ScriptedPlayer : public VIXOplayer {
 public:
  // The play whose recorder receives the marks; set by the test once the play is made.
  VIXOplay* play = nullptr;

  // Every call, in order: "op|argument|argument...", texts and paths as given, numbers in
  // decimal.
  std::vector<std::wstring> calls;

  // Results of playbacks in turn; true once the list is used up.
  std::deque<bool> playbacks;
  // Letters chosen by playChosenSequence in turn; 'A' once the list is used up.
  std::deque<char> chosen;
  // The stop flag that isStopRequested reports.
  bool stop = false;
  // Called after each call is recorded and before it is answered: tests set `stop` or change
  // the script at a precise point.
  std::function<void(ScriptedPlayer&)> onCall;

  // Marks by the paths last played (in the order played since the last vote). Empty: no mark.
  std::function<std::optional<int>(const std::vector<std::wstring>&)> markDSIS;
  std::function<std::optional<int>(const std::vector<std::wstring>&)> markSCACJ;
  // The two marks {A, B} for the sequences last offered as A and B; or no marks and, in
  // `again`, the letter of a sequence to see again.
  std::function<std::optional<std::pair<int, int>>(const std::wstring& a, const std::wstring& b,
                                                   char& again)>
      markDSCQS;
  // One answer per question of the list; an empty optional ends the vote without an answer.
  std::function<std::optional<CustomAnswer>(const std::vector<std::wstring>&, int questionIndex)>
      markCustom;
  // Changes marks and returns where to go next.
  std::function<int(const std::vector<int>& order, std::map<int, int>& marks, int current,
                    bool lastGroup)>
      markSAMVIQ;

  // Paths played since the last vote.
  std::vector<std::wstring> shown;
  // The sequences last offered as A and B (a chosen sequence or a pair).
  std::wstring sequenceA, sequenceB;

  bool playVideoPair(const std::wstring& message, const std::wstring& first,
                     const std::wstring& second) override {
    note(L"playVideoPair|" + message + L"|" + first + L"|" + second);
    shown.push_back(first);
    shown.push_back(second);
    sequenceA = first;
    sequenceB = second;
    return nextPlayback();
  }
  bool playVideo(const std::wstring& message, const std::wstring& path) override {
    note(L"playVideo|" + message + L"|" + path);
    shown.push_back(path);
    return nextPlayback();
  }
  char playChosenSequence(const std::wstring& message, const std::wstring& pathA,
                          const std::wstring& pathB) override {
    note(L"playChosenSequence|" + message + L"|" + pathA + L"|" + pathB);
    char c = 'A';
    if (!chosen.empty()) {
      c = chosen.front();
      chosen.pop_front();
    }
    shown.push_back(c == 'A' ? pathA : pathB);
    sequenceA = pathA;
    sequenceB = pathB;
    return nextPlayback() ? c : 0;
  }
  bool isStopRequested() override { return stop; }

  bool voteDSIS(int question) override {
    note(L"voteDSIS|" + std::to_wstring(question));
    return voteInt(question, markDSIS);
  }
  bool voteSCACJ(int question) override {
    note(L"voteSCACJ|" + std::to_wstring(question));
    return voteInt(question, markSCACJ);
  }
  bool voteSCACJbinary(int question) override {
    note(L"voteSCACJbinary|" + std::to_wstring(question));
    return voteInt(question, markSCACJ);
  }
  char voteDSCQS(bool singleSequence, int question) override {
    note(L"voteDSCQS|" + std::wstring(singleSequence ? L"true" : L"false") + L"|" +
         std::to_wstring(question));
    if (stop) return 0;
    char again = 0;
    const auto marks = markDSCQS ? markDSCQS(sequenceA, sequenceB, again) : std::nullopt;
    shown.clear();
    if (marks) {
      if (auto* r = recorder<std::pair<int, int>>()) r->setAnswer(question, expert(), *marks);
      return 0;
    }
    return again;
  }
  int voteSAMVIQ(const std::vector<int>& order, std::map<int, int>& marks, int current,
                 bool lastGroup) override {
    std::wstring line = L"voteSAMVIQ|";
    for (size_t i = 0; i < order.size(); ++i) line += (i ? L"," : L"") + std::to_wstring(order[i]);
    note(line + L"|" + std::to_wstring(current) + L"|" + (lastGroup ? L"last" : L"more"));
    shown.clear();
    if (stop) return 0;
    return markSAMVIQ ? markSAMVIQ(order, marks, current, lastGroup) : -2;
  }
  bool voteCustom(const std::vector<CustomQuestion>& questions, int question) override {
    note(L"voteCustom|" + std::to_wstring(questions.size()) + L"|" + std::to_wstring(question));
    if (stop) return true;
    const std::vector<std::wstring> seen = std::move(shown);
    shown.clear();
    auto* r = recorder<MT_CUSTOM::Answer>();
    for (size_t i = 0; i < questions.size(); ++i) {
      const auto answer = markCustom ? markCustom(seen, static_cast<int>(i)) : std::nullopt;
      if (!answer) return false;
      if (r) r->setAnswer(question, expert(), {static_cast<int>(i), *answer});
    }
    return true;
  }

  Brindle::JSON saveLayout() override { return Brindle::JSON(Brindle::JSONElements::Object()); }
  bool loadLayout(Brindle::JSON) override { return true; }
  void showInstructions(const std::wstring& message) override {
    note(L"showInstructions|" + message);
  }
  bool beginPass() override { return true; }

  // The play's recorder as a recorder of answers of type T, or none.
  template <class T>
  AnswerGetter<T>* recorder() const {
    return play ? dynamic_cast<AnswerGetter<T>*>(play->recorder.get()) : nullptr;
  }

 private:
  void note(std::wstring line) {
    calls.push_back(std::move(line));
    if (onCall) onCall(*this);
  }
  bool nextPlayback() {
    if (playbacks.empty()) return true;
    const bool ok = playbacks.front();
    playbacks.pop_front();
    return ok;
  }
  std::wstring expert() const { return play ? play->context.expert : std::wstring(); }
  bool voteInt(int question,
               const std::function<std::optional<int>(const std::vector<std::wstring>&)>& mark) {
    if (stop) return true;
    const auto m = mark ? mark(shown) : std::nullopt;
    shown.clear();
    if (!m) return false;
    if (auto* r = recorder<int>()) r->setAnswer(question, expert(), *m);
    return true;
  }
};

}  // namespace vixo_test
