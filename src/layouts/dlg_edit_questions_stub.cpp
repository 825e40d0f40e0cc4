#include "layouts/dlg_edit_questions_stub.h"

#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "layouts/layout_rows.h"

DlgEditQuestionsStub::DlgEditQuestionsStub(wxWindow* parent, wxWindowID id, const wxString& title,
                                           const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  questionsText =
      new wxTextCtrl(this, wxID_ANY, "Question 1\n5 Exellent\n4 Good\n3 Fair\n2 Poor\n1 Bad",
                     wxDefaultPosition, wxDefaultSize, wxTE_MULTILINE);
  mainSizer->Add(questionsText, 1, wxEXPAND, 5);

  auto* bottomRowSizer = new wxBoxSizer(wxHORIZONTAL);
  helpLink = newLink(this, "Help on creating questions...", wxEmptyString);
  bottomRowSizer->Add(helpLink, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  bottomRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  lineCaptionLabel = newLabel(this, "Line ");
  bottomRowSizer->Add(lineCaptionLabel, 0, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxLEFT, 5);
  lineNumberLabel = newLabel(this, "1   ");  // the blanks widen it for longer numbers
  bottomRowSizer->Add(lineNumberLabel, 0, wxALIGN_CENTER_VERTICAL | wxTOP | wxBOTTOM | wxRIGHT, 5);
  okButton = new wxButton(this, wxID_ANY, "OK");
  okButton->SetDefault();
  bottomRowSizer->Add(okButton, 0, wxALL, 5);
  mainSizer->Add(bottomRowSizer, 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  Centre(wxBOTH);
}
