// Layout of the start-test dialog: the product logo beside a welcome line, the test's name and
// number of questions, the observer's name, the host and port offered to online observers, the
// display with its test button, the debug-run warning, Cancel and "Start test", and the
// task-check row.
//
// Builds the controls and nothing else; the start-test window derives from it, fills the
// placeholders, shows and hides rows through the member sizers and binds every event. GUI
// thread only.
#pragma once

#include <wx/dialog.h>

class wxBoxSizer;
class wxButton;
class wxChoice;
class wxComboBox;
class wxFlexGridSizer;
class wxGauge;
class wxHyperlinkCtrl;
class wxStaticBitmap;
class wxStaticText;
class wxTextCtrl;

class PlayStartWndStub : public wxDialog {
 public:
  PlayStartWndStub(wxWindow* parent, wxWindowID id = wxID_ANY,
                   const wxString& title = "Orlo VIXO Start Test",
                   const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                   long style = wxDEFAULT_DIALOG_STYLE);

  wxBoxSizer* mainSizer = nullptr;
  wxStaticBitmap* logoPicture = nullptr;
  wxStaticText* welcomeLabel = nullptr;
  wxHyperlinkCtrl* productLink = nullptr;
  wxFlexGridSizer* formSizer = nullptr;
  wxStaticText* testNameCaptionLabel = nullptr;
  wxStaticText* testNameLabel = nullptr;
  wxStaticText* questionCountCaptionLabel = nullptr;
  wxStaticText* questionCountLabel = nullptr;
  wxStaticText* observerNameCaptionLabel = nullptr;
  wxTextCtrl* observerNameText = nullptr;
  wxStaticText* serverHostCaptionLabel = nullptr;
  wxBoxSizer* hostSizer = nullptr;  // the host row, shown only for an online test
  wxStaticText* hostSchemeLabel = nullptr;
  wxComboBox* hostCombo = nullptr;
  wxStaticText* portSeparatorLabel = nullptr;
  wxTextCtrl* portText = nullptr;
  wxStaticText* displayCaptionLabel = nullptr;
  wxBoxSizer* displaySizer = nullptr;
  wxChoice* displayChoice = nullptr;
  wxButton* displayTestButton = nullptr;
  wxStaticText* debugRunLabel = nullptr;
  wxButton* cancelButton = nullptr;
  wxButton* startTestButton = nullptr;
  wxBoxSizer* progressSizer = nullptr;  // the task-check row
  wxStaticText* checkingTaskLabel = nullptr;
  wxGauge* checkProgressGauge = nullptr;
};
