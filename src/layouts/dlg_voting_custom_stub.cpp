#include "layouts/dlg_voting_custom_stub.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "layouts/layout_rows.h"

DlgVotingCustomStub::DlgVotingCustomStub(wxWindow* parent, wxWindowID id, const wxString& title,
                                         const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxSize(400, -1), wxDefaultSize);

  mainSizer = new wxBoxSizer(wxVERTICAL);
  questionLabel = newLabel(this, "Custom question formula");
  mainSizer->Add(questionLabel, 0, wxALL | wxEXPAND, 5);
  answersSizer = new wxBoxSizer(wxVERTICAL);
  mainSizer->Add(answersSizer, 1, wxEXPAND, 5);
  answerText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                              wxTE_MULTILINE | wxTE_WORDWRAP);
  answerText->SetMinSize(wxSize(-1, 80));
  mainSizer->Add(answerText, 1, wxALL | wxEXPAND, 5);
  mainSizer->Add(newWatchAgainOkRow(this, &watchAgainButton, &okButton), 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  Centre(wxBOTH);
}
