#include "layouts/dlg_voting_samviq_stub.h"

#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

DlgVotingSAMVIQstub::DlgVotingSAMVIQstub(wxWindow* parent, wxWindowID id, const wxString& title,
                                         const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxSize(540, -1), wxDefaultSize);

  mainSizer = new wxBoxSizer(wxVERTICAL);
  instructionLabel = newLabel(this,
                              "Please, vote on the video that you have just watched (reference "
                              "video is not evaluated)");
  mainSizer->Add(instructionLabel, 0, wxALL, 5);

  scalePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxBORDER_THEME | wxTAB_TRAVERSAL);
  auto* panelSizer = new wxBoxSizer(wxVERTICAL);
  auto* sliderRowSizer = new wxBoxSizer(wxHORIZONTAL);
  sliderRowSizer->SetMinSize(wxSize(-1, 180));
  sliderRowSizer->Add(50, 0, 0, 0, 5);
  markSlider = new wxSlider(scalePanel, wxID_ANY, 50, 0, 100, wxDefaultPosition, wxDefaultSize,
                            wxSL_VERTICAL | wxSL_INVERSE);
  sliderRowSizer->Add(markSlider, 0, wxEXPAND | wxLEFT | wxRIGHT, 5);
  sliderRowSizer->Add(newScaleNumbersColumn(scalePanel, {{&scale100Label, "100"},
                                                         {&scale80Label, "80"},
                                                         {&scale60Label, "60"},
                                                         {&scale40Label, "40"},
                                                         {&scale20Label, "20"},
                                                         {&scale0Label, "0"}}),
                      0, wxEXPAND | wxTOP | wxBOTTOM, 5);
  sliderRowSizer->Add(newScaleWordsColumn(scalePanel, {{&excellentLabel, "Excellent"},
                                                       {&goodLabel, "Good"},
                                                       {&fairLabel, "Fair"},
                                                       {&poorLabel, "Poor"},
                                                       {&badLabel, "Bad"}}),
                      1, wxEXPAND | wxTOP | wxBOTTOM, 5);
  sliderRowSizer->Add(50, 0, 0, 0, 5);
  panelSizer->Add(sliderRowSizer, 1, wxALIGN_CENTER_HORIZONTAL, 5);
  finishPanel(scalePanel, panelSizer);
  mainSizer->Add(scalePanel, 0, wxALL | wxALIGN_CENTER_HORIZONTAL, 5);

  finishHintLabel = newLabel(this,
                             "Now if you have ranked all the videos you can finish this task.\n"
                             "If there are still some sequences left or you want to change your "
                             "opinion on some sequence, choose a sequence below",
                             0, 500);
  mainSizer->Add(finishHintLabel, 0, wxALL, 5);

  auto* sequencesRowSizer = new wxBoxSizer(wxHORIZONTAL);
  referenceSizer = new wxBoxSizer(wxVERTICAL);
  sequencesRowSizer->Add(referenceSizer, 0, 0, 5);
  sequenceGridSizer = new wxGridSizer(0, 4, 10, 0);
  sequencesRowSizer->Add(sequenceGridSizer, 1, wxEXPAND, 5);
  mainSizer->Add(sequencesRowSizer, 1, wxEXPAND, 5);
  mainSizer->Add(0, 20, 0, 0, 5);

  auto* buttonRowSizer = new wxBoxSizer(wxHORIZONTAL);
  currentSequenceCaptionLabel = newLabel(this, "Current sequence:");
  buttonRowSizer->Add(currentSequenceCaptionLabel, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
  currentSequenceValueLabel = newLabel(this, "MyLabel");
  buttonRowSizer->Add(currentSequenceValueLabel, 0,
                      wxTOP | wxBOTTOM | wxRIGHT | wxALIGN_CENTER_VERTICAL, 5);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  changeMarkButton = new wxButton(this, wxID_ANY, "Change mark");
  buttonRowSizer->Add(changeMarkButton, 0, wxALL, 5);
  watchVideoButton = new wxButton(this, wxID_ANY, "Watch video");
  buttonRowSizer->Add(watchVideoButton, 0, wxALL, 5);
  nextButton = new wxButton(this, wxID_ANY, "Next");
  buttonRowSizer->Add(nextButton, 0, wxALL, 5);
  mainSizer->Add(buttonRowSizer, 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  mainSizer->Fit(this);
  Centre(wxBOTH);
}
