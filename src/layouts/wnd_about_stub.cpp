#include "layouts/wnd_about_stub.h"

#include <wx/button.h>
#include <wx/font.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

WndAboutStub::WndAboutStub(wxWindow* parent, wxWindowID id, const wxString& title,
                           const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  mainSizer->Add(0, 20, 0, 0, 5);
  auto* headRowSizer = newLogoRow(this, &logoPicture);
  auto* infoColumnSizer = new wxBoxSizer(wxVERTICAL);
  productNameLabel = newProductNameLabel(this);
  infoColumnSizer->Add(productNameLabel, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM | wxRIGHT | wxLEFT,
                       5);

  auto* detailsGridSizer = new wxFlexGridSizer(0, 2, 0, 0);
  detailsGridSizer->AddGrowableCol(1);
  detailsGridSizer->SetFlexibleDirection(wxBOTH);
  detailsGridSizer->SetNonFlexibleGrowMode(wxFLEX_GROWMODE_SPECIFIED);
  const wxFont valueFont = boldNormalFont();
  const auto addDetail = [&](wxStaticText** label, const wxString& text, bool bold) {
    *label = newLabel(this, text);
    if (bold) (*label)->SetFont(valueFont);
    detailsGridSizer->Add(*label, 0, wxTOP | wxRIGHT | wxLEFT, 5);
  };
  addDetail(&buildDateCaptionLabel, "Build date:", false);
  addDetail(&buildDateLabel, "MyLabel", true);
  addDetail(&versionCaptionLabel, "Version:", false);
  addDetail(&versionLabel, "MyLabel", true);
  infoColumnSizer->Add(detailsGridSizer, 1, wxEXPAND, 5);
  headRowSizer->Add(infoColumnSizer, 1, wxALIGN_CENTER_VERTICAL | wxBOTTOM, 5);
  mainSizer->Add(headRowSizer, 1, wxEXPAND | wxLEFT | wxRIGHT, 15);
  // Shares the extra height equally with the head row.
  mainSizer->Add(0, 30, 1, 0, 5);

  auto* buttonRowSizer = new wxBoxSizer(wxHORIZONTAL);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  okButton = new wxButton(this, wxID_ANY, "OK");
  okButton->SetDefault();
  buttonRowSizer->Add(okButton, 1, wxALL, 15);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  mainSizer->Add(buttonRowSizer, 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  Centre(wxBOTH);
}
