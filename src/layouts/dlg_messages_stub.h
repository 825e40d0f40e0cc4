// Layout of the "Messages" dialog in which the editor lists a task's validation messages above a
// one-line summary of their counts.
//
// Builds the controls and nothing else; the messages dialog derives from it and fills the list
// and the summary. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxDataViewColumn;
class wxDataViewListCtrl;
class wxPanel;
class wxStaticText;

class DlgMessagesStub : public wxDialog {
 public:
  DlgMessagesStub(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& title = "Messages",
                  const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(457, 315),
                  long style = wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER | wxMAXIMIZE_BOX |
                               wxMINIMIZE_BOX);

  wxPanel* messagesPanel = nullptr;
  wxDataViewListCtrl* messageList = nullptr;
  wxDataViewColumn* messageColumn = nullptr;  // icon and text
  wxStaticText* summaryLabel = nullptr;
  wxButton* okButton = nullptr;
};
