#include "layouts/dlg_before_video_stub.h"

#include <wx/font.h>
#include <wx/hyperlink.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

DlgBeforeVideoStub::DlgBeforeVideoStub(wxWindow* parent, wxWindowID id, const wxString& title,
                                       const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxSize(474, 200), wxDefaultSize);

  mainSizer = new wxBoxSizer(wxVERTICAL);

  auto* infoGridSizer = new wxFlexGridSizer(0, 2, 0, 0);
  infoGridSizer->AddGrowableCol(1);
  infoGridSizer->SetFlexibleDirection(wxBOTH);
  infoGridSizer->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_SPECIFIED);
  const auto addInfoLabel = [&](const wxString& text, int flags) {
    auto* label = newLabel(this, text);
    infoGridSizer->Add(label, 0, flags, 5);
    return label;
  };
  taskNameCaptionLabel = addInfoLabel("Task name:", wxTOP | wxLEFT | wxRIGHT);
  taskNameValueLabel = addInfoLabel("MyLabel", wxTOP | wxLEFT | wxRIGHT);
  expertNameCaptionLabel = addInfoLabel("Expert name:", wxTOP | wxLEFT | wxRIGHT);
  expertNameValueLabel = addInfoLabel("MyLabel", wxTOP | wxLEFT | wxRIGHT);
  questionNumberCaptionLabel = addInfoLabel("Question number:", wxALL);
  questionNumberValueLabel = addInfoLabel("MyLabel", wxALL);
  mainSizer->Add(infoGridSizer, 0, wxEXPAND, 5);

  // The two stretch spacers keep the instructions midway and the prompts at the bottom.
  mainSizer->Add(0, 0, 1, wxEXPAND, 5);

  instructionsPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                  wxBORDER_THEME | wxTAB_TRAVERSAL);
  auto* instructionsSizer = new wxBoxSizer(wxVERTICAL);
  instructionsTitleLabel = newLabel(instructionsPanel, "Instructions", wxALIGN_CENTRE);
  instructionsTitleLabel->SetFont(
      wxFont(12, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD, false, "Arial"));
  instructionsSizer->Add(instructionsTitleLabel, 0, wxEXPAND | wxALL, 5);
  messageLabel = newLabel(instructionsPanel, wxEmptyString);
  instructionsSizer->Add(messageLabel, 0, wxEXPAND | wxALL, 5);
  hotkeysLabel = newLabel(instructionsPanel, "Hotkeys:\n<space> - pause\n<esc> - interrupt");
  instructionsSizer->Add(hotkeysLabel, 0, wxALL | wxALIGN_RIGHT, 5);
  finishPanel(instructionsPanel, instructionsSizer);
  mainSizer->Add(instructionsPanel, 0, wxEXPAND | wxALL, 5);

  mainSizer->Add(0, 0, 1, wxEXPAND, 5);

  // Links without an address: they look like links and the dialog handles them.
  auto* promptRowSizer = new wxBoxSizer(wxHORIZONTAL);
  const auto addPrompt = [&](const wxString& text) {
    auto* link = newLink(this, text, wxEmptyString);
    promptRowSizer->Add(link, 0, wxALL, 5);
    return link;
  };
  startLink = addPrompt("<press [space] to start>");
  sequenceALink = addPrompt("<press [A] for A sequence>");
  sequenceBLink = addPrompt("<press [B] for B sequence>");
  mainSizer->Add(promptRowSizer, 0, wxALIGN_CENTER_HORIZONTAL, 5);

  SetSizer(mainSizer);
  Layout();
  mainSizer->Fit(this);
  Centre(wxBOTH);
}
