#include "layouts/layout_rows.h"

#include <wx/button.h>
#include <wx/font.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "layouts/pictures.h"

wxStaticText* newLabel(wxWindow* parent, const wxString& text, long style, int wrapWidth) {
  auto* label = new wxStaticText(parent, wxID_ANY, text, wxDefaultPosition, wxDefaultSize, style);
  label->Wrap(wrapWidth);
  return label;
}

wxHyperlinkCtrl* newLink(wxWindow* parent, const wxString& label, const wxString& url) {
  auto* link = new wxHyperlinkCtrl(parent, wxID_ANY, label, url, wxDefaultPosition, wxDefaultSize,
                                   wxHL_DEFAULT_STYLE);
  if (label.empty()) link->SetLabel(wxEmptyString);
  if (url.empty()) link->SetURL(wxEmptyString);
  return link;
}

void finishPanel(wxWindow* panel, wxSizer* sizer) {
  panel->SetSizer(sizer);
  panel->Layout();
  sizer->Fit(panel);
}

void addSpreadLabels(wxSizer* column, wxWindow* parent, std::initializer_list<LabelSlot> labels,
                     int flags, int spread) {
  bool first = true;
  for (const auto& [slot, text] : labels) {
    if (!first) column->Add(0, 0, spread, wxEXPAND, 5);
    first = false;
    *slot = newLabel(parent, text);
    column->Add(*slot, 0, flags, 5);
  }
}

wxBoxSizer* newScaleNumbersColumn(wxWindow* parent, std::initializer_list<LabelSlot> labels) {
  auto* column = new wxBoxSizer(wxVERTICAL);
  addSpreadLabels(column, parent, labels, wxLEFT | wxRIGHT, 1);
  return column;
}

wxBoxSizer* newScaleWordsColumn(wxWindow* parent, std::initializer_list<LabelSlot> labels) {
  auto* column = new wxBoxSizer(wxVERTICAL);
  column->Add(0, 8, 0, 0, 5);
  column->Add(0, 0, 1, wxEXPAND, 5);
  addSpreadLabels(column, parent, labels, wxLEFT | wxRIGHT, 2);
  column->Add(0, 0, 1, wxEXPAND, 5);
  column->Add(0, 8, 0, 0, 5);
  return column;
}

wxBoxSizer* newWatchAgainOkRow(wxWindow* dialog, wxButton** watchAgainButton, wxButton** okButton) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(0, 0, 1, wxEXPAND, 5);
  *watchAgainButton = new wxButton(dialog, wxID_ANY, "Watch again");
  row->Add(*watchAgainButton, 0, wxALL, 5);
  row->Add(0, 0, 1, wxEXPAND, 5);
  *okButton = new wxButton(dialog, wxID_ANY, "OK");
  (*okButton)->SetDefault();
  row->Add(*okButton, 0, wxALL, 5);
  row->Add(0, 0, 1, wxEXPAND, 5);
  return row;
}

wxStaticText* newProductNameLabel(wxWindow* parent) {
  auto* label = newLabel(parent, "Orlo Vixo", wxALIGN_CENTER);
  label->SetFont(wxFont(19, wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false,
                        wxEmptyString));
  return label;
}

wxFont boldNormalFont() {
  return wxFont(wxNORMAL_FONT->GetPointSize(), wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL,
                wxFONTWEIGHT_BOLD, false, wxEmptyString);
}

wxBoxSizer* newLogoRow(wxWindow* dialog, wxStaticBitmap** logoPicture) {
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  *logoPicture = new wxStaticBitmap(dialog, wxID_ANY, productLogoBitmap());
  row->Add(*logoPicture, 0, wxALL | wxALIGN_CENTER_VERTICAL, 5);
  return row;
}
