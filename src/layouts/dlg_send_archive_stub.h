// Layout of the dialog shown at the end of a pass when the task names an e-mail address for
// results: congratulations, the address as a link and the archive's path, each with a "Copy"
// button, "Open in explorer" and "OK".
//
// Builds the controls and nothing else; the send-archive dialog derives from it, puts the
// address and the path in and handles the buttons. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxHyperlinkCtrl;
class wxStaticBitmap;
class wxStaticText;
class wxTextCtrl;

class DlgSendArchiveStub : public wxDialog {
 public:
  DlgSendArchiveStub(wxWindow* parent, wxWindowID id = wxID_ANY,
                     const wxString& title = "Please, send results",
                     const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxDefaultSize,
                     long style = wxDEFAULT_DIALOG_STYLE);

  wxStaticBitmap* tipPicture = nullptr;
  wxStaticText* congratulationsLabel = nullptr;
  wxStaticText* addressHintLabel = nullptr;
  wxHyperlinkCtrl* addressLink = nullptr;  // the dialog sets the address and "mailto:" URL
  wxButton* copyAddressButton = nullptr;
  wxStaticText* fileHintLabel = nullptr;
  wxTextCtrl* archivePathText = nullptr;
  wxButton* copyPathButton = nullptr;
  wxButton* openInExplorerButton = nullptr;
  wxButton* okButton = nullptr;
};
