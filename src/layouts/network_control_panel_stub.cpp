#include "layouts/network_control_panel_stub.h"

#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

NetworkControlPanelStub::NetworkControlPanelStub(wxWindow* parent, wxWindowID id,
                                                 const wxString& title, const wxPoint& pos,
                                                 const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  auto* linkColumnSizer = new wxBoxSizer(wxVERTICAL);
  addressLink = newLink(this, "wxFB Website", kPlaceholderUrl);
  linkColumnSizer->Add(addressLink, 0, wxALL, 5);
  mainSizer->Add(linkColumnSizer, 1, wxEXPAND | wxTOP | wxLEFT, 5);

  auto* statusGridSizer = new wxFlexGridSizer(0, 2, 0, 0);
  statusGridSizer->AddGrowableCol(1);
  statusGridSizer->SetFlexibleDirection(wxBOTH);
  statusGridSizer->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_SPECIFIED);
  const auto addStatusRow = [&](const wxString& caption, wxStaticText** captionLabel,
                                const wxString& value, wxStaticText** valueLabel) {
    *captionLabel = newLabel(this, caption);
    statusGridSizer->Add(*captionLabel, 0, wxALL, 5);
    *valueLabel = newLabel(this, value);
    statusGridSizer->Add(*valueLabel, 0, wxEXPAND | wxALL, 5);
  };
  addStatusRow("Experts online:", &expertsCaptionLabel, "0", &expertsLabel);
  addStatusRow("Current stage:", &stageCaptionLabel, "MyLabel", &stageLabel);
  addStatusRow("Votes:", &votesCaptionLabel, "0", &votesLabel);
  addStatusRow("Countdown:", &countdownCaptionLabel, "MyLabel", &countdownLabel);
  mainSizer->Add(statusGridSizer, 0, wxEXPAND | wxBOTTOM | wxRIGHT | wxLEFT, 5);

  // The three buttons share the row's width equally.
  auto* buttonRowSizer = new wxBoxSizer(wxHORIZONTAL);
  repeatVideoButton = new wxButton(this, wxID_ANY, "Repeat last video");
  buttonRowSizer->Add(repeatVideoButton, 1, wxALL, 5);
  stopCountdownButton = new wxButton(this, wxID_ANY, "Stop countdown");
  stopCountdownButton->SetToolTip("Forbid automatic termination for current stage");
  buttonRowSizer->Add(stopCountdownButton, 1, wxALL, 5);
  proceedButton = new wxButton(this, wxID_ANY, "Proceed");
  proceedButton->SetToolTip("Immediate continue to the next stage");
  buttonRowSizer->Add(proceedButton, 1, wxALL, 5);
  mainSizer->Add(buttonRowSizer, 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  mainSizer->Fit(this);
  Centre(wxBOTH);
}
