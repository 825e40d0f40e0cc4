#include "player/dlg_before_video.h"

#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include <string>

#include "player/run_dialog.h"
#include "task/play.h"

DlgBeforeVideo::DlgBeforeVideo(wxWindow* parent, const wxString& message, bool chooseSequence,
                               bool pressSpace, bool pauseAllowed, bool showHotkeys, VIXOplay* play,
                               TestInterrupter* interrupter)
    : DlgBeforeVideoStub(parent, wxID_ANY, wxEmptyString) {
  // Wrapped at the width the layout gave the label: a new text resizes the label to itself.
  const int width = messageLabel->GetSize().GetWidth();
  messageLabel->SetLabel(message);
  messageLabel->Wrap(width);

  if (play) {
    const Task& task = play->context.loadedTask.task;
    taskNameValueLabel->SetLabel(task.name);
    expertNameValueLabel->SetLabel(play->context.expert);
    const int total = play->planner ? play->planner->totalQuestions(task) : 0;
    questionNumberValueLabel->SetLabel(std::to_string(play->answeredCount() + 1) + "/" +
                                       std::to_string(total));
  }

  hotkeysLabel->Show(showHotkeys);
  if (showHotkeys) {
    wxString hotkeys = "Hotkeys:";
    if (pauseAllowed) hotkeys += "\n<space> - pause";
    hotkeys += "\n<esc> - interrupt";
    hotkeysLabel->SetLabel(hotkeys);
  }

  startLink->Show(pressSpace);
  sequenceALink->Show(chooseSequence);
  sequenceBLink->Show(chooseSequence);
  Layout();
  mainSizer->Fit(this);

  if (pressSpace || chooseSequence) {
    Bind(wxEVT_CHAR_HOOK, [this, pressSpace, chooseSequence](wxKeyEvent& event) {
      const int code = event.GetKeyCode();
      if (pressSpace && code == WXK_SPACE) {
        answer(0);
      } else if (chooseSequence && (code == 'A' || code == 'a')) {
        answer('A');
      } else if (chooseSequence && (code == 'B' || code == 'b')) {
        answer('B');
      } else {
        event.Skip();
      }
    });
  }
  // Handled here, so that the links' own addresses are never opened.
  startLink->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { answer(0); });
  sequenceALink->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { answer('A'); });
  sequenceBLink->Bind(wxEVT_HYPERLINK, [this](wxHyperlinkEvent&) { answer('B'); });
  bindRunDialogClose(*this, answered, interrupter);
}

void DlgBeforeVideo::answer(char k) {
  answered = true;
  key = k;
  if (IsModal()) EndModal(0);
}
