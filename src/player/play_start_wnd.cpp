#include "player/play_start_wnd.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/utils.h>

#include <climits>
#include <functional>

#include "avifile/avi_system.h"
#include "avifile/registry_store.h"
#include "common/app_icon.h"
#include "common/control_bindings.h"
#include "common/prompt.h"
#include "media/open_media.h"
#include "media/video_info.h"
#include "network/corvidwebserver/webserver.h"
#include "player/default_player.h"
#include "player/full_screen_wnd.h"
#include "player/list_displays.h"
#include "shell/wnd_about.h"
#include "task/question_planner.h"
#include "task/validation.h"
#include "task/vixo_method.h"

using connections::holdBinding;
using connections::makeFunctor;
using connections::makeVariableMem;

namespace {

constexpr const wchar_t* kStore = L"vixo";

void showBox(wxWindow* parent, const wxString& caption, const wxString& text, long style) {
  vixo::Prompt prompt;
  prompt.parent = parent;
  prompt.caption = caption;
  prompt.text = text;
  prompt.style = style;
  vixo::showPrompt(prompt);
}

void showCheckError(wxWindow* parent, const wxString& text) {
  showBox(parent, "Task checking", text, wxOK | wxICON_ERROR);
}

bool isBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\n' || c == L'\v' || c == L'\f' || c == L'\r';
}

}  // namespace

// ---------------------------------------------------------------- settings

PlayStartWnd::Settings readStartSettings() {
  PlayStartWnd::Settings settings;
  RegistryStore store = RegistryStore::open(kStore);
  if (!store) return settings;
  int32_t number = 0;
  if (store.getDword(L"display", number)) settings.display = number;
  std::wstring observer;
  if (store.getString(L"observer", observer)) settings.observer = observer;
  if (store.getDword(L"port", number)) settings.port = number;
  std::string host;
  if (store.getUtf8String(L"host", host)) settings.host = host;
  if (store.getDword(L"hostIdx", number)) settings.hostIdx = number;
  return settings;
}

bool writeStartSettings(const PlayStartWnd::Settings& settings) {
  RegistryStore store = RegistryStore::open(kStore);
  if (!store) return false;
  (void)store.setDword(L"display", settings.display);
  (void)store.setString(L"observer", settings.observer);
  (void)store.setDword(L"port", settings.port);
  (void)store.setUtf8String(L"host", settings.host);
  (void)store.setDword(L"hostIdx", settings.hostIdx);
  return true;
}

// ---------------------------------------------------------------- construction

PlayStartWnd::PlayStartWnd(wxWindow* parent, LoadedTask& task, DefaultPlayer* player, bool network,
                           bool debug)
    : PlayStartWndStub(parent, wxID_ANY,
                       wxString("Start Test - Orlo VIXO ") + WndAbout::versionText()),
      checkDone(makeVariableMem(false)),
      checkFailed(makeVariableMem(false)),
      progress(connections::makeVarWxGauge(checkProgressGauge)),
      observerText(connections::makeVarWxText(observerNameText)),
      task(task),
      nameAllowsStart(makeVariableMem(false)),
      showNameRow(makeVariableMem(true)),
      showHostRow(makeVariableMem(true)),
      showTestButton(makeVariableMem(true)),
      portAllowsStart(makeVariableMem(true)),
      portVar(connections::makeVarWxText(portText)),
      player(player),
      network(network),
      debug(debug) {
  SetIcons(makeAppIconBundle());
  observerName = makeFunctor(std::function<std::wstring(wxString)>([](wxString text) {
                               return trimLeft(trimRight(text.ToStdWstring()));
                             }),
                             observerText);

  holdBinding(connections::makeWxSizerItemShowVar(progressSizer, mainSizer), bindings)
      ->assign(!checkDone);
  holdBinding(connections::makeWxEnableVar(startTestButton), bindings)
      ->assign(((checkDone && !checkFailed) && nameAllowsStart) && portAllowsStart);

  method = task.task.method();
  testNameLabel->SetLabel(wxString(task.task.name));
  const QuestionPlanner* planner = method ? method->planner(task.task) : nullptr;
  questionCountLabel->SetLabel(
      wxString(std::to_string(planner ? planner->totalQuestions(task.task) : 0)));

  displayChoice->Clear();
  displayChoice->Append(listDisplays());

  logoPicture->SetCursor(wxCursor(wxCURSOR_HAND));
  logoPicture->Bind(wxEVT_LEFT_DOWN, [this](wxMouseEvent&) { showAboutBox(this); });
  // Consumed: the link's own address is never opened.
  productLink->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { showAboutBox(this); });

  const auto relayout = [this] {
    Layout();
    mainSizer->Fit(this);
  };
  const auto show = [this](connections::NodePtr<connections::Variable<bool>> sink,
                           const connections::VariableMemPtr<bool>& source) {
    holdBinding(sink, bindings)->assign(source);
  };
  show(connections::makeWxWindowShowVar(observerNameCaptionLabel, formSizer), showNameRow);
  show(connections::makeWxWindowShowVar(observerNameText, formSizer), showNameRow);
  show(connections::makeWxWindowShowVar(serverHostCaptionLabel, formSizer), showHostRow);
  show(connections::makeWxSizerItemShowVar(hostSizer, formSizer), showHostRow);
  show(connections::makeWxWindowShowVar(displayTestButton, displaySizer), showTestButton);
  for (const auto& row : {showNameRow, showHostRow, showTestButton, checkDone})
    holdBinding(connections::makeListener(
                    makeFunctor(std::function<void(bool)>([relayout](bool) { relayout(); }), row)),
                bindings);

  loadSettings();
  // The name of the last observer is filled in: it is selected whenever the field takes the
  // focus, by a click as well, so that the next observer's typing replaces it.
  observerNameText->Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
    event.Skip();
    // After the click that gave the focus has placed the cursor.
    CallAfter([this] {
      if (observerNameText->HasFocus()) observerNameText->SelectAll();
    });
  });

  debugRunLabel->Show(debug);
  relayout();

  startTestButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { startTest(); });
  cancelButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(wxID_CANCEL); });
  displayTestButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { runDisplayTest(); });
  Bind(wxEVT_INIT_DIALOG, [this](wxInitDialogEvent& event) {
    event.Skip();
    checkTaskInBackground();
  });
}

PlayStartWnd::~PlayStartWnd() {
  // Nothing waits for the rest of the check once the dialog goes.
  stopCheck = true;
  if (checkThread.joinable()) checkThread.join();
}

PlayStartWndOffline::PlayStartWndOffline(LoadedTask& task, DefaultPlayer* player, bool debug)
    : PlayStartWnd(nullptr, task, player, false, debug) {
  nameAllowsStart->assign(makeFunctor(
      std::function<bool(std::wstring)>([](std::wstring name) { return !name.empty(); }),
      observerName));
  showNameRow->set(true);
  showHostRow->set(false);
  showTestButton->set(true);
}

PlayStartWndOnline::PlayStartWndOnline(LoadedTask& task, DefaultPlayer* player, bool debug)
    : PlayStartWnd(player ? player->fullScreenWnd : nullptr, task, player, true, debug) {
  nameAllowsStart->set(true);
  showNameRow->set(false);
  showHostRow->set(true);
  showTestButton->set(true);
  // Port 0 would listen on a port chosen by the system and show ":0" in the test's address.
  portAllowsStart->assign(makeFunctor(std::function<bool(wxString)>([this](wxString) {
                                        const int port = portNumber();
                                        return port >= 1 && port <= 65535;
                                      }),
                                      portVar));
  fillHostList(listLocalAddresses());
}

// ---------------------------------------------------------------- settings in the controls

void PlayStartWnd::loadSettings() {
  const Settings settings = readStartSettings();
  if (settings.display >= 0 && static_cast<unsigned>(settings.display) < displayChoice->GetCount())
    displayChoice->SetSelection(settings.display);
  else
    displayChoice->SetSelection(wxNOT_FOUND);
  observerText->set(wxString(settings.observer));
  portVar->set(wxString(std::to_string(settings.port)));
  if (settings.hostIdx >= 0 && static_cast<unsigned>(settings.hostIdx) < hostCombo->GetCount())
    hostCombo->SetSelection(settings.hostIdx);
  else
    hostCombo->SetValue(wxString::FromUTF8(settings.host));
  savedHostIndex = settings.hostIdx;
}

void PlayStartWndOnline::fillHostList(const std::vector<std::string>& addresses) {
  hostCombo->Clear();
  hostCombo->SetValue(wxString());
  for (const std::string& address : addresses) hostCombo->Append(wxString::FromUTF8(address));
  if (savedHostIndex >= 0 && static_cast<unsigned>(savedHostIndex) < hostCombo->GetCount())
    hostCombo->SetSelection(savedHostIndex);
  if (hostCombo->GetValue().empty() && hostCombo->GetCount() > 0) hostCombo->SetSelection(0);
}

void PlayStartWnd::saveSettings() {
  Settings settings;
  settings.hostIdx = hostCombo->GetSelection();
  settings.display = displayChoice->GetSelection();
  settings.observer = observerName->get();
  settings.port = portNumber();
  settings.host = trim(hostCombo->GetValue().utf8_string());
  writeStartSettings(settings);
}

int PlayStartWnd::portNumber() const {
  const std::wstring text = portText->GetValue().ToStdWstring();
  size_t i = 0;
  while (i < text.size() && isBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  long long value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + (text[i] - L'0');
    if (value > INT_MAX) value = INT_MAX;  // as far as an int goes
  }
  return static_cast<int>(negative ? -value : value);
}

// ---------------------------------------------------------------- the check

void PlayStartWnd::endWhenRunning(int code) {
  // The init-dialog event comes before the modal loop runs, and ending the dialog then would
  // be lost: the end waits in the dialog's queue for the loop. Nothing of ours runs a nested
  // loop between this post and the modal loop.
  CallAfter([this, code] {
    if (IsModal()) EndModal(code);
  });
}

void PlayStartWnd::checkTaskInBackground() {
  if (checkThread.joinable()) return;  // shown again: the check runs once
  VideoInfoCache noMedia;
  bool failed = false;
  for (const ValidationMessage& message : validateTask(task.task, task.path, noMedia)) {
    if (message.level != 0) continue;
    showCheckError(this, "Task has error(s), please, edit task via task editor");
    checkFailed->set(true);
    stopCheck = true;
    failed = true;
  }
  if (failed) endWhenRunning(wxID_ABORT);
  checkThread = std::thread(checkFiles, this, events.helper(), task.task.files);
}

void PlayStartWnd::checkFiles(PlayStartWnd* dialog, std::shared_ptr<EventGetterSetterHelper> post,
                              std::vector<TaskFile> files) {
  size_t total = 0;
  for (const TaskFile& file : files)
    if (file.group != 0) ++total;
  size_t opened = 0;
  for (const TaskFile& file : files) {
    if (file.group == 0) continue;
    // Opened as the player will open it: bytes that are no picture and no video (a text file, a
    // sound without pictures) would stop the pass at their question.
    if (!mediaOpens(file.path)) {
      EventGetterSetterHelper::post(post, [dialog, file] { dialog->showOpenError(file); });
      break;
    }
    if (dialog->stopCheck) break;
    ++opened;
    const int percent = static_cast<int>(opened * 100 / total);
    EventGetterSetterHelper::post(post, [dialog, percent] { dialog->progress->set(percent); });
  }
  EventGetterSetterHelper::post(post, [dialog] { dialog->checkDone->set(true); });
}

void PlayStartWnd::showOpenError(const TaskFile& file) {
  if (checkFailed->get()) return;  // the dialog is ending already: one box per failed check
  showCheckError(this, "Error checking task: can't open file:\n" + wxString(file.id));
  checkFailed->set(true);
  stopCheck = true;
  if (IsModal())
    EndModal(wxID_ABORT);
  else
    endWhenRunning(wxID_ABORT);
}

// ---------------------------------------------------------------- the buttons

void PlayStartWnd::startTest() {
  if (!startTestButton->IsEnabled()) return;
  saveSettings();
  if (player && player->fullScreenWnd) {
    player->fullScreenWnd->displayIndex = displayChoice->GetSelection();
    if (player->fullScreenWnd->IsShown()) player->fullScreenWnd->moveToDisplay();
  }
  if (player) player->rememberDialogCentre(this);
  playContext =
      PlayContext(task, player, observerName->get(), trim(hostCombo->GetValue().utf8_string()),
                  portNumber(), network, debug);
  EndModal(0);
}

void PlayStartWnd::runDisplayTest() {
  showBox(this, "Display test",
          "Simple animation with moving white rectange will be showed on selected display",
          wxOK | wxCENTRE);
  {
    wxWindowDisabler others(this);
    if (player) player->runDisplayTest(displayChoice->GetSelection());
    displayTestButton->WarpPointer(0, 0);
  }
}
