#include "layouts/dlg_voting_dsis_stub.h"

#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

DlgVotingDSISstub::DlgVotingDSISstub(wxWindow* parent, wxWindowID id, const wxString& title,
                                     const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  instructionLabel =
      newLabel(this, "Please, vote on the impared video, keeping in mind the reference one");
  mainSizer->Add(instructionLabel, 0, wxALL, 5);

  scalePanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                           wxBORDER_THEME | wxTAB_TRAVERSAL);
  auto* panelSizer = new wxBoxSizer(wxVERTICAL);
  scaleCaptionLabel = newLabel(scalePanel, "Imparements are:");
  panelSizer->Add(scaleCaptionLabel, 0, wxALL, 5);

  auto* sliderRowSizer = new wxBoxSizer(wxHORIZONTAL);
  markSlider = new wxSlider(scalePanel, wxID_ANY, 3, 1, 5, wxDefaultPosition, wxDefaultSize,
                            wxSL_VERTICAL | wxSL_INVERSE);
  sliderRowSizer->Add(markSlider, 0, wxLEFT | wxRIGHT | wxEXPAND, 5);
  sliderRowSizer->Add(20, 0, 0, 0, 5);
  // Stretch spacers between the grades spread them over the slider's height.
  auto* gradeLabelsSizer = new wxBoxSizer(wxVERTICAL);
  addSpreadLabels(gradeLabelsSizer, scalePanel,
                  {{&grade5Label, "5, Imperceptible"},
                   {&grade4Label, "4, Perceptible, but not annoying"},
                   {&grade3Label, "3, Slightly annoying"},
                   {&grade2Label, "2, Annoying"},
                   {&grade1Label, "1, Very annoying"}},
                  wxALL, 1);
  sliderRowSizer->Add(gradeLabelsSizer, 0, wxEXPAND, 5);
  panelSizer->Add(sliderRowSizer, 0, wxALIGN_CENTER_HORIZONTAL, 5);

  auto* choiceRowSizer = new wxBoxSizer(wxHORIZONTAL);
  choiceCaptionLabel = newLabel(scalePanel, "Your choice:");
  choiceRowSizer->Add(choiceCaptionLabel, 0, wxALL, 5);
  choiceValueLabel = newLabel(scalePanel, "3", wxALIGN_RIGHT);
  choiceValueLabel->SetMinSize(wxSize(14, -1));
  choiceRowSizer->Add(choiceValueLabel, 0, wxALL, 5);
  panelSizer->Add(choiceRowSizer, 0, 0, 5);

  finishPanel(scalePanel, panelSizer);
  mainSizer->Add(scalePanel, 1, wxALL | wxEXPAND, 5);

  mainSizer->Add(newWatchAgainOkRow(this, &watchAgainButton, &okButton), 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  mainSizer->Fit(this);
  Centre(wxBOTH);
}
