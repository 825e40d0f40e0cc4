#include "layouts/dlg_voting_scacj_stub.h"

#include <wx/button.h>
#include <wx/font.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <algorithm>
#include <initializer_list>
#include <utility>

#include "layouts/layout_rows.h"

namespace {

using ScaleSlot = std::pair<wxStaticText**, const wxChar*>;

// A row of seven 70-pixel centred labels with stretch spacers between them, so that the words
// and the numbers stand in the same seven columns.
wxBoxSizer* newScaleRow(wxWindow* dialog, std::initializer_list<ScaleSlot> labels, int flags,
                        const wxFont* font) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  bool first = true;
  for (const auto& [slot, text] : labels) {
    if (!first) row->Add(0, 0, 1, wxEXPAND, 5);
    first = false;
    *slot =
        new wxStaticText(dialog, wxID_ANY, text, wxDefaultPosition, wxSize(70, -1), wxALIGN_CENTRE);
    (*slot)->Wrap(-1);
    if (font) (*slot)->SetFont(*font);
    row->Add(*slot, 0, flags, 5);
  }
  return row;
}

// The labels are 70 pixels wide. A word that the toolkit's font draws wider would be cut off:
// then all of them take the widest word's width, so the words still stand over their numbers.
void widenScaleLabels(std::initializer_list<wxStaticText*> labels) {
  int width = 70;
  for (wxStaticText* label : labels) width = std::max(width, label->GetBestSize().x);
  if (width == 70) return;
  for (wxStaticText* label : labels) label->SetMinSize(wxSize(width, -1));
}

wxStaticBitmap* newCircle(wxWindow* dialog) {
  return new wxStaticBitmap(dialog, wxID_ANY, wxNullBitmap, wxDefaultPosition, wxSize(48, 48), 0);
}

}  // namespace

DlgVotingSCACJstub::DlgVotingSCACJstub(wxWindow* parent, wxWindowID id, const wxString& title,
                                       const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  instructionLabel = newLabel(this,
                              "Please, move slider to the BETTER video\n(for example, choosing 1 "
                              "means that the RIGHT picture is slighly better than the LEFT one)",
                              wxALIGN_CENTRE);
  mainSizer->Add(instructionLabel, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 5);
  mainSizer->Add(0, 15, 0, 0, 5);

  auto* scaleRowSizer = new wxBoxSizer(wxHORIZONTAL);
  leftCirclePicture = newCircle(this);
  scaleRowSizer->Add(leftCirclePicture, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);

  auto* scaleColumnSizer = new wxBoxSizer(wxVERTICAL);
  const wxFont wordFont(8, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false,
                        wxEmptyString);
  scaleColumnSizer->Add(newScaleRow(this,
                                    {{&leftMuchBetterLabel, L"Much better"},
                                     {&leftBetterLabel, L"Better"},
                                     {&leftSlightlyBetterLabel, L"Slightly better"},
                                     {&sameLabel, L"The same"},
                                     {&rightSlightlyBetterLabel, L"Slighly better"},
                                     {&rightBetterLabel, L"Better"},
                                     {&rightMuchBetterLabel, L"Much better"}},
                                    wxTOP, &wordFont),
                        0, wxEXPAND, 5);

  auto* sliderRowSizer = new wxBoxSizer(wxHORIZONTAL);
  sliderRowSizer->Add(20, 0, 0, 0, 5);
  markSlider = new wxSlider(this, wxID_ANY, 0, -3, 3, wxDefaultPosition, wxDefaultSize,
                            wxSL_HORIZONTAL | wxSL_BOTH);
  sliderRowSizer->Add(markSlider, 1, wxTOP | wxBOTTOM | wxALIGN_CENTER_VERTICAL, 5);
  sliderRowSizer->Add(20, 0, 0, 0, 5);
  scaleColumnSizer->Add(sliderRowSizer, 1, wxEXPAND, 5);

  // The negative numbers begin with the minus sign U+2212, not the hyphen-minus.
  scaleColumnSizer->Add(newScaleRow(this,
                                    {{&scaleMinus3Label,
                                      L"\u2212"
                                      L"3"},
                                     {&scaleMinus2Label,
                                      L"\u2212"
                                      L"2"},
                                     {&scaleMinus1Label,
                                      L"\u2212"
                                      L"1"},
                                     {&scale0Label, L"0"},
                                     {&scale1Label, L"1"},
                                     {&scale2Label, L"2"},
                                     {&scale3Label, L"3"}},
                                    wxBOTTOM, nullptr),
                        0, wxEXPAND, 5);
  widenScaleLabels({leftMuchBetterLabel, leftBetterLabel, leftSlightlyBetterLabel, sameLabel,
                    rightSlightlyBetterLabel, rightBetterLabel, rightMuchBetterLabel,
                    scaleMinus3Label, scaleMinus2Label, scaleMinus1Label, scale0Label, scale1Label,
                    scale2Label, scale3Label});
  scaleRowSizer->Add(scaleColumnSizer, 1, wxEXPAND, 5);

  rightCirclePicture = newCircle(this);
  scaleRowSizer->Add(rightCirclePicture, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
  mainSizer->Add(scaleRowSizer, 1, wxEXPAND | wxLEFT | wxRIGHT, 5);

  circlesHintLabel = newLabel(this,
                              "Circles symbolize your opinion on left and right video "
                              "correspondingly\nRed circle meas that video is bad, and green "
                              "means that video is good");
  mainSizer->Add(circlesHintLabel, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 5);
  mainSizer->Add(0, 15, 0, 0, 5);

  auto* buttonRowSizer = new wxBoxSizer(wxHORIZONTAL);
  auto* choiceRowSizer = new wxBoxSizer(wxHORIZONTAL);
  choiceRowSizer->SetMinSize(wxSize(120, -1));
  choiceCaptionLabel = newLabel(this, "Your choice:");
  choiceRowSizer->Add(choiceCaptionLabel, 0, wxALL, 5);
  choiceValueLabel = newLabel(this, "22");
  choiceRowSizer->Add(choiceValueLabel, 0, wxALL, 5);
  buttonRowSizer->Add(choiceRowSizer, 0, wxLEFT | wxALIGN_CENTER_VERTICAL, 5);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  watchAgainButton = new wxButton(this, wxID_ANY, "Watch again");
  buttonRowSizer->Add(watchAgainButton, 0, wxALL, 5);
  okButton = new wxButton(this, wxID_ANY, "OK");
  okButton->SetDefault();
  buttonRowSizer->Add(okButton, 0, wxALL, 5);
  mainSizer->Add(buttonRowSizer, 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  mainSizer->Fit(this);
  Centre(wxBOTH);
}
