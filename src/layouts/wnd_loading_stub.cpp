#include "layouts/wnd_loading_stub.h"

#include <wx/font.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "layouts/layout_rows.h"

WndLoadingStub::WndLoadingStub(wxWindow* parent, wxWindowID id, const wxString& title,
                               const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  mainSizer->Add(0, 20, 0, 0, 5);
  auto* headRowSizer = newLogoRow(this, &logoPicture);
  auto* textColumnSizer = new wxBoxSizer(wxVERTICAL);
  welcomeLabel = newLabel(this, "Welcome to");
  textColumnSizer->Add(welcomeLabel, 0, wxALIGN_CENTER_HORIZONTAL | wxTOP | wxRIGHT | wxLEFT, 5);
  productNameLabel = newProductNameLabel(this);
  textColumnSizer->Add(productNameLabel, 0, wxALIGN_CENTER_HORIZONTAL | wxBOTTOM | wxRIGHT | wxLEFT,
                       5);
  headRowSizer->Add(textColumnSizer, 1, wxALIGN_CENTER_VERTICAL | wxBOTTOM, 5);
  mainSizer->Add(headRowSizer, 1, wxEXPAND | wxLEFT | wxRIGHT, 15);
  mainSizer->Add(0, 30, 0, 0, 5);

  auto* footRowSizer = new wxBoxSizer(wxHORIZONTAL);
  footRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  initializingLabel = newLabel(this, "initializing, please wait...");
  initializingLabel->SetFont(
      wxFont(8, wxFONTFAMILY_SWISS, wxFONTSTYLE_ITALIC, wxFONTWEIGHT_NORMAL, false, "Arial"));
  footRowSizer->Add(initializingLabel, 0, wxALL, 5);
  footRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  mainSizer->Add(footRowSizer, 0, wxEXPAND, 5);
  mainSizer->Add(0, 15, 0, 0, 5);

  hiddenPanel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxSize(600, 600),
                            wxTAB_TRAVERSAL | wxTRANSPARENT_WINDOW);
  hiddenPanel->Hide();
  mainSizer->Add(hiddenPanel, 0, wxALL, 5);

  SetSizer(mainSizer);
  Layout();
  Centre(wxBOTH);
}
