// Layout of the loading window that the editor and the test player show while they start: the
// product logo, "Welcome to" above the product name, and "initializing, please wait..." centred
// under them.
//
// Builds the controls and nothing else; the loading window derives from it. GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxPanel;
class wxStaticBitmap;
class wxStaticText;

class WndLoadingStub : public wxDialog {
 public:
  WndLoadingStub(wxWindow* parent, wxWindowID id = wxID_ANY,
                 const wxString& title = "Orlo VIXO Start Work",
                 const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(525, 256),
                 long style = wxDEFAULT_DIALOG_STYLE);

  wxStaticBitmap* logoPicture = nullptr;
  wxStaticText* welcomeLabel = nullptr;
  wxStaticText* productNameLabel = nullptr;
  wxStaticText* initializingLabel = nullptr;
  wxPanel* hiddenPanel = nullptr;  // hidden before it is added: it takes no space
};
