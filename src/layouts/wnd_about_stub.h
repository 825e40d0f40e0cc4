// Layout of the editor's About window: the product logo and name, the build date and the
// version, and "OK".
//
// Builds the controls and nothing else; the About window derives from it, puts the build date
// and the version in and handles "OK". GUI thread only.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxStaticBitmap;
class wxStaticText;

class WndAboutStub : public wxDialog {
 public:
  WndAboutStub(wxWindow* parent, wxWindowID id = wxID_ANY,
               const wxString& title = "About Orlo VIXO", const wxPoint& pos = wxDefaultPosition,
               const wxSize& size = wxSize(659, 326), long style = wxDEFAULT_DIALOG_STYLE);

  wxStaticBitmap* logoPicture = nullptr;
  wxStaticText* productNameLabel = nullptr;
  wxStaticText* buildDateCaptionLabel = nullptr;
  wxStaticText* buildDateLabel = nullptr;
  wxStaticText* versionCaptionLabel = nullptr;
  wxStaticText* versionLabel = nullptr;
  wxButton* okButton = nullptr;
};
