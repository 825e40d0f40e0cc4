#include "layouts/play_start_wnd_stub.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/font.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "layouts/layout_rows.h"

PlayStartWndStub::PlayStartWndStub(wxWindow* parent, wxWindowID id, const wxString& title,
                                   const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  const wxFont valueFont = boldNormalFont();

  mainSizer = new wxBoxSizer(wxVERTICAL);
  auto* topRowSizer = newLogoRow(this, &logoPicture);

  auto* rightColumnSizer = new wxBoxSizer(wxVERTICAL);
  auto* welcomeRowSizer = new wxBoxSizer(wxHORIZONTAL);
  welcomeLabel = newLabel(this, "Welcome to ");
  welcomeRowSizer->Add(welcomeLabel, 0, wxTOP | wxBOTTOM | wxLEFT, 5);
  productLink = newLink(this, "Orlo Vixo", kPlaceholderUrl);
  welcomeRowSizer->Add(productLink, 0, wxTOP | wxBOTTOM | wxRIGHT, 5);
  rightColumnSizer->Add(welcomeRowSizer, 0, wxALIGN_CENTER_HORIZONTAL, 5);

  formSizer = new wxFlexGridSizer(0, 2, 0, 0);
  formSizer->AddGrowableCol(1);
  formSizer->SetFlexibleDirection(wxBOTH);
  formSizer->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_SPECIFIED);
  const int kCaptionFlags = wxALL | wxALIGN_CENTER_VERTICAL;

  testNameCaptionLabel = newLabel(this, "Test name");
  formSizer->Add(testNameCaptionLabel, 0, kCaptionFlags, 5);
  testNameLabel = newLabel(this, "MyLabel");
  testNameLabel->SetFont(valueFont);
  formSizer->Add(testNameLabel, 0, wxLEFT | wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);

  questionCountCaptionLabel = newLabel(this, "Number of questions");
  formSizer->Add(questionCountCaptionLabel, 0, kCaptionFlags, 5);
  questionCountLabel = newLabel(this, "MyLabel");
  questionCountLabel->SetFont(valueFont);
  formSizer->Add(questionCountLabel, 0, wxLEFT | wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);

  observerNameCaptionLabel = newLabel(this, "Enter your name");
  formSizer->Add(observerNameCaptionLabel, 0, kCaptionFlags, 5);
  observerNameText = new wxTextCtrl(this, wxID_ANY, wxEmptyString);
  formSizer->Add(observerNameText, 0, wxALL | wxEXPAND | wxALIGN_CENTER_VERTICAL, 5);

  serverHostCaptionLabel = newLabel(this, "Server host");
  formSizer->Add(serverHostCaptionLabel, 0, kCaptionFlags, 5);
  hostSizer = new wxBoxSizer(wxHORIZONTAL);
  hostSchemeLabel = newLabel(this, "http://");
  hostSizer->Add(hostSchemeLabel, 0, wxLEFT | wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);
  hostCombo =
      new wxComboBox(this, wxID_ANY, "Combo!", wxDefaultPosition, wxDefaultSize, 0, nullptr, 0);
  hostCombo->SetToolTip("Host name or IP to display in link address");
  hostSizer->Add(hostCombo, 1, wxALIGN_CENTER_VERTICAL, 5);
  portSeparatorLabel = newLabel(this, ":");
  hostSizer->Add(portSeparatorLabel, 0, wxALL | wxALIGN_CENTER_VERTICAL, 3);
  portText = new wxTextCtrl(this, wxID_ANY, "8080", wxDefaultPosition, wxSize(50, -1), 0);
  portText->SetMaxLength(5);
  portText->SetToolTip("Port");
  hostSizer->Add(portText, 0, wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);
  formSizer->Add(hostSizer, 1, wxEXPAND, 5);

  displayCaptionLabel = newLabel(this, "Choose display");
  formSizer->Add(displayCaptionLabel, 0, kCaptionFlags, 5);
  displaySizer = new wxBoxSizer(wxHORIZONTAL);
  displayChoice = new wxChoice(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, 0, nullptr, 0);
  displayChoice->SetSelection(0);  // nothing to select yet: the window fills the list
  displayChoice->SetMinSize(wxSize(200, -1));
  displaySizer->Add(displayChoice, 1, wxALL | wxALIGN_CENTER_VERTICAL, 5);
  displayTestButton =
      new wxButton(this, wxID_ANY, "Test", wxDefaultPosition, wxSize(50, -1), wxBU_EXACTFIT);
  displaySizer->Add(displayTestButton, 0, wxTOP | wxBOTTOM | wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);
  formSizer->Add(displaySizer, 0, wxEXPAND | wxALIGN_CENTER_VERTICAL, 5);

  rightColumnSizer->Add(formSizer, 1, wxEXPAND, 5);
  topRowSizer->Add(rightColumnSizer, 1, wxALIGN_CENTER_VERTICAL, 5);
  mainSizer->Add(topRowSizer, 1, wxEXPAND, 5);

  mainSizer->Add(0, 15, 0, wxEXPAND, 5);
  debugRunLabel = newLabel(this, "This is debug run, no results will be saved");
  debugRunLabel->SetFont(
      wxFont(9, wxFONTFAMILY_SWISS, wxFONTSTYLE_ITALIC, wxFONTWEIGHT_NORMAL, false, "Arial"));
  debugRunLabel->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT));
  mainSizer->Add(debugRunLabel, 0, wxTOP | wxLEFT | wxRIGHT | wxALIGN_CENTER_HORIZONTAL, 5);
  mainSizer->Add(0, 15, 0, 0, 5);

  auto* buttonRowSizer = new wxBoxSizer(wxHORIZONTAL);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  cancelButton = new wxButton(this, wxID_ANY, "Cancel");
  buttonRowSizer->Add(cancelButton, 4, wxALL | wxEXPAND, 5);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  startTestButton = new wxButton(this, wxID_ANY, "Start test");
  startTestButton->SetDefault();
  startTestButton->Enable(false);  // the window enables it once the task check has passed
  buttonRowSizer->Add(startTestButton, 4, wxALL | wxEXPAND, 5);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  mainSizer->Add(buttonRowSizer, 0, wxEXPAND, 5);

  mainSizer->Add(0, 0, 0, wxEXPAND, 5);
  progressSizer = new wxBoxSizer(wxHORIZONTAL);
  checkingTaskLabel = newLabel(this, "Checking task...");
  progressSizer->Add(checkingTaskLabel, 0, wxALL, 5);
  checkProgressGauge =
      new wxGauge(this, wxID_ANY, 100, wxDefaultPosition, wxDefaultSize, wxGA_HORIZONTAL);
  checkProgressGauge->SetValue(0);
  progressSizer->Add(checkProgressGauge, 1, wxALL, 5);
  mainSizer->Add(progressSizer, 0, wxEXPAND | wxTOP, 5);

  SetSizer(mainSizer);
  Layout();
  mainSizer->Fit(this);
  Centre(wxBOTH);
}
