#include "shell/wnd_about.h"

#include <wx/button.h>
#include <wx/stattext.h>

#include "common/prompt.h"

WndAbout::WndAbout(wxWindow* parent)
    : WndAboutStub(parent, wxID_ANY, "About Orlo VIXO", wxDefaultPosition, wxSize(659, 326)) {
  versionLabel->SetLabel(versionText());
  buildDateLabel->SetLabel(buildDateText());
  okButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(0); });
}

const char* WndAbout::versionText() { return "2.1 BETA r12218"; }

wxString WndAbout::buildDateText() {
  // __DATE__ is "Mmm dd yyyy" with a blank in place of a leading zero.
  wxString date(__DATE__);
  date.Replace("  ", " ");
  return date;
}

void showAboutBox(wxWindow* parent) {
  WndAbout about(parent);
  vixo::showModal(about);
}
