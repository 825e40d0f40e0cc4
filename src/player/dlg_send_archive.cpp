#include "player/dlg_send_archive.h"

#include <wx/button.h>
#include <wx/hyperlink.h>
#include <wx/textctrl.h>

#include "avifile/avi_desktop.h"

DlgSendArchive::DlgSendArchive(wxWindow* parent, const std::wstring& email,
                               const std::wstring& archivePath)
    : DlgSendArchiveStub(parent, wxID_ANY, "Please, send results") {
  addressLink->SetLabel(email);
  addressLink->SetURL(L"mailto:" + email);
  archivePathText->SetValue(archivePath);
  // The results of the clipboard and the file manager are not reported: nothing to do about them.
  copyAddressButton->Bind(wxEVT_BUTTON,
                          [email](wxCommandEvent&) { (void)setClipboardText(email); });
  copyPathButton->Bind(wxEVT_BUTTON,
                       [archivePath](wxCommandEvent&) { (void)setClipboardText(archivePath); });
  openInExplorerButton->Bind(wxEVT_BUTTON,
                             [archivePath](wxCommandEvent&) { showInExplorer(archivePath); });
  okButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(0); });
  Layout();
  Fit();
}
