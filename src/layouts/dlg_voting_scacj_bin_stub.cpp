#include "layouts/dlg_voting_scacj_bin_stub.h"

#include <wx/button.h>
#include <wx/font.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

namespace {

// A box of at least 120 x 120 with its label centred between two stretch spacers. The right
// box is created at that size and only laid out; the two others are fitted to their content.
wxPanel* newChoiceBox(wxWindow* dialog, const wxString& text, wxStaticText** label,
                      const wxSize& size, bool fitted) {
  auto* panel =
      new wxPanel(dialog, wxID_ANY, wxDefaultPosition, size, wxBORDER_SIMPLE | wxTAB_TRAVERSAL);
  panel->SetMinSize(wxSize(120, 120));
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->SetMinSize(wxSize(120, 120));
  sizer->Add(0, 0, 1, wxEXPAND, 5);
  *label = newLabel(panel, text);
  sizer->Add(*label, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 5);
  sizer->Add(0, 0, 1, wxEXPAND, 5);
  if (fitted) {
    finishPanel(panel, sizer);
  } else {
    panel->SetSizer(sizer);
    panel->Layout();
  }
  return panel;
}

}  // namespace

DlgVotingSCACJbinStub::DlgVotingSCACJbinStub(wxWindow* parent, wxWindowID id, const wxString& title,
                                             const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  instructionLabel = newLabel(this, "Please, choose BETTER image", wxALIGN_CENTRE);
  mainSizer->Add(instructionLabel, 0, wxTOP | wxLEFT | wxRIGHT | wxALIGN_CENTER_HORIZONTAL, 5);
  mainSizer->Add(0, 15, 0, 0, 5);

  // 20 pixels separate the middle box from each outer box.
  auto* choiceGridSizer = new wxFlexGridSizer(0, 3, 0, 0);
  choiceGridSizer->SetFlexibleDirection(wxBOTH);
  choiceGridSizer->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_SPECIFIED);
  const int kOuterBoxFlags = wxALL | wxALIGN_CENTER_HORIZONTAL | wxALIGN_CENTER_VERTICAL;
  leftChoicePanel = newChoiceBox(this, "Left", &leftChoiceLabel, wxDefaultSize, true);
  choiceGridSizer->Add(leftChoicePanel, 0, kOuterBoxFlags, 20);
  sameChoicePanel =
      newChoiceBox(this, "Difficult to\ndistinguish", &sameChoiceLabel, wxDefaultSize, true);
  choiceGridSizer->Add(sameChoicePanel, 0, wxEXPAND | wxTOP | wxBOTTOM, 20);
  rightChoicePanel = newChoiceBox(this, "Right", &rightChoiceLabel, wxSize(120, 120), false);
  choiceGridSizer->Add(rightChoicePanel, 0, kOuterBoxFlags, 20);
  mainSizer->Add(choiceGridSizer, 1, wxEXPAND, 5);
  mainSizer->Add(0, 15, 0, 0, 5);

  auto* buttonRowSizer = new wxBoxSizer(wxHORIZONTAL);
  auto* choiceColumnSizer = new wxBoxSizer(wxVERTICAL);
  choiceColumnSizer->SetMinSize(wxSize(120, -1));
  choiceCaptionLabel = newLabel(this, "Your choice:");
  choiceColumnSizer->Add(choiceCaptionLabel, 0, wxTOP | wxLEFT | wxRIGHT, 5);
  choiceValueLabel = newLabel(this, "select left or right");
  choiceValueLabel->SetFont(
      wxFont(9, wxFONTFAMILY_SWISS, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_BOLD, false, "Arial"));
  choiceColumnSizer->Add(choiceValueLabel, 0, wxBOTTOM | wxLEFT | wxRIGHT, 5);
  buttonRowSizer->Add(choiceColumnSizer, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 5);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  watchAgainButton = new wxButton(this, wxID_ANY, "Watch again");
  buttonRowSizer->Add(watchAgainButton, 0, wxALL | wxALIGN_BOTTOM, 5);
  okButton = new wxButton(this, wxID_ANY, "OK");
  okButton->SetDefault();
  okButton->Enable(false);
  buttonRowSizer->Add(okButton, 0, wxALL | wxALIGN_BOTTOM, 5);
  mainSizer->Add(buttonRowSizer, 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  mainSizer->Fit(this);
  Centre(wxBOTH);
}
