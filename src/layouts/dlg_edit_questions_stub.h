// Layout of the "Custom question editor" dialog: a multi-line text with the questions, a link to
// the help dialog, the current line number and "OK".
//
// Builds the controls and nothing else; the question editor derives from it, keeps the line
// number up to date and handles the link and "OK". GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxHyperlinkCtrl;
class wxStaticText;
class wxTextCtrl;

class DlgEditQuestionsStub : public wxDialog {
 public:
  DlgEditQuestionsStub(wxWindow* parent, wxWindowID id = wxID_ANY,
                       const wxString& title = "Custom question editor",
                       const wxPoint& pos = wxDefaultPosition,
                       const wxSize& size = wxSize(422, 273),
                       long style = wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);

  wxTextCtrl* questionsText = nullptr;
  wxHyperlinkCtrl* helpLink = nullptr;
  wxStaticText* lineCaptionLabel = nullptr;
  wxStaticText* lineNumberLabel = nullptr;
  wxButton* okButton = nullptr;
};
