#include "layouts/dlg_voting_dscqs_stub.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

DlgVotingDSCQSstub::DlgVotingDSCQSstub(wxWindow* parent, wxWindowID id, const wxString& title,
                                       const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  instructionLabel = newLabel(this, "Please, vote on both videos");
  mainSizer->Add(instructionLabel, 0, wxALL, 5);

  scalePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxBORDER_THEME | wxTAB_TRAVERSAL);
  auto* panelSizer = new wxBoxSizer(wxVERTICAL);
  auto* scaleGridSizer = new wxFlexGridSizer(0, 6, 0, 0);
  scaleGridSizer->AddGrowableRow(0);
  scaleGridSizer->SetFlexibleDirection(wxBOTH);
  scaleGridSizer->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_SPECIFIED);
  const auto newMarkSlider = [this] {
    return new wxSlider(scalePanel, wxID_ANY, 50, 0, 100, wxDefaultPosition, wxDefaultSize,
                        wxSL_VERTICAL | wxSL_INVERSE);
  };
  const int kSliderFlags = wxLEFT | wxRIGHT | wxEXPAND | wxALIGN_CENTER_HORIZONTAL;

  // Row 0: slider A, gap, slider B, gap, the numbers, the words.
  markSliderA = newMarkSlider();
  scaleGridSizer->Add(markSliderA, 0, kSliderFlags, 5);
  scaleGridSizer->Add(5, 0, 1, 0, 5);
  markSliderB = newMarkSlider();
  scaleGridSizer->Add(markSliderB, 0, kSliderFlags, 5);
  scaleGridSizer->Add(5, 0, 1, 0, 5);

  scaleGridSizer->Add(newScaleNumbersColumn(scalePanel, {{&scale100Label, "100"},
                                                         {&scale80Label, "80"},
                                                         {&scale60Label, "60"},
                                                         {&scale40Label, "40"},
                                                         {&scale20Label, "20"},
                                                         {&scale0Label, "0"}}),
                      0, wxTOP | wxBOTTOM | wxEXPAND, 5);
  scaleGridSizer->Add(newScaleWordsColumn(scalePanel, {{&excellentLabel, "Excellent"},
                                                       {&goodLabel, "Good"},
                                                       {&fairLabel, "Fair"},
                                                       {&poorLabel, "Poor"},
                                                       {&badLabel, "Bad"}}),
                      1, wxTOP | wxBOTTOM | wxEXPAND, 5);

  // Row 1: the marks under the sliders.
  markALabel = newLabel(scalePanel, "A: 100");
  scaleGridSizer->Add(markALabel, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 5);
  scaleGridSizer->Add(0, 0, 1, wxEXPAND, 5);
  markBLabel = newLabel(scalePanel, "B: 100");
  scaleGridSizer->Add(markBLabel, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 5);

  panelSizer->Add(scaleGridSizer, 1, wxALIGN_CENTER_HORIZONTAL, 5);
  finishPanel(scalePanel, panelSizer);
  mainSizer->Add(scalePanel, 1, wxALL | wxEXPAND, 5);

  auto* buttonRowSizer = new wxBoxSizer(wxHORIZONTAL);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  watchAgainButton = new wxButton(this, wxID_ANY, "Watch again");
  buttonRowSizer->Add(watchAgainButton, 0, wxALL, 5);
  repeatButtonsSizer = new wxBoxSizer(wxHORIZONTAL);
  repeatAButton = new wxButton(this, wxID_ANY, "Repeat Seq. A");
  repeatButtonsSizer->Add(repeatAButton, 0, wxALL, 5);
  repeatButtonsSizer->Add(0, 0, 1, wxEXPAND, 5);
  repeatBButton = new wxButton(this, wxID_ANY, "Repeat Seq. B");
  repeatButtonsSizer->Add(repeatBButton, 0, wxALL, 5);
  buttonRowSizer->Add(repeatButtonsSizer, 1, wxEXPAND, 5);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  okButton = new wxButton(this, wxID_ANY, "OK");
  okButton->SetDefault();
  buttonRowSizer->Add(okButton, 0, wxALL, 5);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  mainSizer->Add(buttonRowSizer, 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  Centre(wxBOTH);
}
