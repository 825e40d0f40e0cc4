#include "app/test_script.h"

#include <cxxabi.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/msgdlg.h>
#include <wx/slider.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "common/prompt.h"

namespace vixo_test_hook {
namespace {

struct Rule {
  std::string kind;    // "prompt", "file" or "dialog"
  wxString target;     // caption, title or dialog class
  int occurrence = 0;  // 0: every time
  wxString answer;
};

struct Script {
  std::string logPath;
  std::vector<Rule> rules;
  std::map<std::string, int> seen;  // kind and target to the times met
};

Script& script() {
  static Script instance;
  return instance;
}

std::string oneLine(const wxString& text) {
  std::string out;
  for (char c : text.utf8_string()) {
    if (c == '\n')
      out += "\\n";
    else if (c == '\t')
      out += "\\t";
    else
      out += c;
  }
  return out;
}

void log(const std::vector<wxString>& fields) {
  if (script().logPath.empty()) return;
  std::ofstream out(script().logPath, std::ios::app);
  for (size_t i = 0; i < fields.size(); ++i) out << (i ? "\t" : "") << oneLine(fields[i]);
  out << '\n';
}

// The rule that answers the next meeting of the target, or none.
const Rule* match(const std::string& kind, const std::vector<wxString>& names) {
  const int count = ++script().seen[kind + "\n" + names.front().utf8_string()];
  for (const Rule& rule : script().rules) {
    if (rule.kind != kind || (rule.occurrence != 0 && rule.occurrence != count)) continue;
    for (const wxString& name : names)
      if (rule.target == name) return &rule;
  }
  return nullptr;
}

std::string className(const wxDialog& dialog) {
  int status = 0;
  char* name = abi::__cxa_demangle(typeid(dialog).name(), nullptr, nullptr, &status);
  std::string out = status == 0 && name ? name : typeid(dialog).name();
  std::free(name);
  return out;
}

int answerPrompt(const vixo::Prompt& prompt) {
  const Rule* rule = match("prompt", {prompt.caption});
  const bool yesNo = (prompt.style & wxYES_NO) != 0;
  const bool cancel = (prompt.style & wxCANCEL) != 0;
  const std::vector<std::pair<wxString, int>> buttons = {
      {yesNo ? (prompt.yesLabel.empty() ? wxString("Yes") : prompt.yesLabel) : wxString(),
       wxID_YES},
      {yesNo ? (prompt.noLabel.empty() ? wxString("No") : prompt.noLabel) : wxString(), wxID_NO},
      {cancel ? (prompt.cancelLabel.empty() ? wxString("Cancel") : prompt.cancelLabel) : wxString(),
       wxID_CANCEL},
      {yesNo ? wxString() : (prompt.okLabel.empty() ? wxString("OK") : prompt.okLabel), wxID_OK}};
  if (rule) {
    for (const auto& [label, id] : buttons) {
      if (!label.empty() && label == rule->answer) {
        log({"prompt", prompt.caption, prompt.text, label});
        return id;
      }
    }
  }
  const int refusal = cancel ? wxID_CANCEL : yesNo ? wxID_NO : wxID_OK;
  log({"prompt", prompt.caption, prompt.text, "unanswered"});
  return refusal;
}

std::vector<wxString> answerFile(const vixo::FilePrompt& prompt) {
  const Rule* rule = match("file", {prompt.message});
  if (!rule || rule->answer == "cancel") {
    log({"file", prompt.message, rule ? "cancel" : "unanswered"});
    return {};
  }
  log({"file", prompt.message, rule->answer});
  return {rule->answer};
}

// Every window below `parent`, depth first, in the order of their creation.
void collect(wxWindow* parent, std::vector<wxWindow*>& out) {
  for (wxWindow* child : parent->GetChildren()) {
    out.push_back(child);
    collect(child, out);
  }
}

template <class Control>
std::vector<Control*> controlsOf(wxDialog& dialog) {
  std::vector<wxWindow*> all;
  collect(&dialog, all);
  std::vector<Control*> out;
  for (wxWindow* window : all) {
    auto* control = dynamic_cast<Control*>(window);
    if (control && control->IsShown()) out.push_back(control);
  }
  return out;
}

int keyCode(const wxString& name) {
  if (name == "space") return WXK_SPACE;
  if (name == "escape") return WXK_ESCAPE;
  if (name == "return") return WXK_RETURN;
  return name.length() == 1 ? static_cast<int>(wxToupper(name[0])) : 0;
}

// Plays a dialog's actions one after another on a timer, while its modal loop runs; lives as
// long as the dialog.
class DialogDriver {
 public:
  DialogDriver(wxDialog* dialog, std::vector<wxString> actions)
      : dialog(dialog), actions(std::move(actions)) {
    timer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { step(); });
    timer.Start(20);
  }

 private:
  void step() {
    if (busy) return;  // an action runs a nested loop (a box it opened)
    busy = true;
    while (next < actions.size() && act(actions[next])) ++next;
    if (next >= actions.size()) timer.Stop();
    busy = false;
  }

  // True when the action was done; false to try again on the next tick.
  bool act(const wxString& action) {
    const wxString verb = action.BeforeFirst(' ');
    const wxString rest = action.AfterFirst(' ');
    if (verb == "text") {
      long index = 0;
      rest.BeforeFirst(' ').ToLong(&index);
      const auto fields = controlsOf<wxTextCtrl>(*dialog);
      if (index >= 0 && static_cast<size_t>(index) < fields.size())
        fields[static_cast<size_t>(index)]->SetValue(rest.AfterFirst(' '));
      return true;
    }
    if (verb == "slider") {
      long value = 0;
      rest.ToLong(&value);
      const auto sliders = controlsOf<wxSlider>(*dialog);
      if (!sliders.empty()) {
        sliders.front()->SetValue(static_cast<int>(value));
        wxCommandEvent moved(wxEVT_SLIDER, sliders.front()->GetId());
        moved.SetEventObject(sliders.front());
        moved.SetInt(static_cast<int>(value));
        sliders.front()->ProcessWindowEvent(moved);
      }
      return true;
    }
    if (verb == "click") {
      for (wxButton* button : controlsOf<wxButton>(*dialog)) {
        if (wxStripMenuCodes(button->GetLabel()) != rest) continue;
        if (!button->IsEnabled()) return waitedTooLong(action);
        wxCommandEvent click(wxEVT_BUTTON, button->GetId());
        click.SetEventObject(button);
        button->ProcessWindowEvent(click);
        return true;
      }
      return waitedTooLong(action);
    }
    if (verb == "key") {
      wxKeyEvent key(wxEVT_CHAR_HOOK);
      key.m_keyCode = keyCode(rest);
      key.SetEventObject(dialog);
      dialog->GetEventHandler()->ProcessEvent(key);
      return true;
    }
    if (verb == "close") {
      dialog->Close();
      return true;
    }
    log({"action", "unknown", action});
    return true;
  }

  // Gives up on an action after 30 s: the dialog ends with the cancel code.
  bool waitedTooLong(const wxString& action) {
    if (std::chrono::steady_clock::now() - started < std::chrono::seconds(30)) return false;
    log({"action", "timeout", action});
    if (dialog->IsModal()) dialog->EndModal(wxID_CANCEL);
    next = actions.size();
    return true;
  }

  wxDialog* dialog;
  std::vector<wxString> actions;
  size_t next = 0;
  bool busy = false;
  wxTimer timer;
  const std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
};

void answerDialog(wxDialog& dialog) {
  const wxString kind = wxString::FromUTF8(className(dialog));
  const Rule* rule = match("dialog", {kind, dialog.GetTitle()});
  log({"dialog", kind, dialog.GetTitle(), rule ? rule->answer : wxString("unanswered")});
  if (!rule) {
    dialog.EndModal(wxID_CANCEL);
    return;
  }
  std::vector<wxString> actions;
  wxString rest = rule->answer;
  while (!rest.empty()) {
    const wxString action = rest.BeforeFirst(';').Trim(true).Trim(false);
    if (!action.empty()) actions.push_back(action);
    rest = rest.AfterFirst(';');
  }
  auto* driver = new DialogDriver(&dialog, std::move(actions));
  wxDialog* self = &dialog;
  dialog.Bind(wxEVT_DESTROY, [driver, self](wxWindowDestroyEvent& event) {
    event.Skip();
    if (event.GetEventObject() == self) delete driver;
  });
}

bool readScript(const std::string& path) {
  std::ifstream in(path);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    const wxString text = wxString::FromUTF8(line).Trim(true).Trim(false);
    if (text.empty() || text.StartsWith("#")) continue;
    const wxString kind = text.BeforeFirst(' ');
    if (kind == "log") {
      script().logPath = text.AfterFirst(' ').utf8_string();
      continue;
    }
    const int arrow = text.Find("=>");
    if (arrow == wxNOT_FOUND || static_cast<size_t>(arrow) <= kind.length()) return false;
    Rule rule;
    rule.kind = kind.utf8_string();
    const size_t from = kind.length() + 1;
    wxString target = text.Mid(from, static_cast<size_t>(arrow) - from).Trim(true);
    rule.answer = text.Mid(static_cast<size_t>(arrow) + 2).Trim(false);
    const size_t hash = target.ToStdWstring().rfind(L" #");
    long occurrence = 0;
    if (hash != std::wstring::npos && target.Mid(hash + 2).ToLong(&occurrence)) {
      rule.occurrence = static_cast<int>(occurrence);
      target = target.Left(hash);
    }
    rule.target = target;
    script().rules.push_back(rule);
  }
  return true;
}

}  // namespace

void installFromEnvironment() {
  const char* path = std::getenv("VIXO_TEST_SCRIPT");
  if (!path || !*path) return;
  if (!readScript(path)) {
    std::fprintf(stderr, "VIXO_TEST_SCRIPT: cannot read the test script %s\n", path);
    std::exit(3);
  }
  vixo::setPromptAnswerer(answerPrompt);
  vixo::setFilePromptAnswerer(answerFile);
  vixo::setModalAnswerer(answerDialog);
}

}  // namespace vixo_test_hook
