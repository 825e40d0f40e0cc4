#include "layouts/dlg_send_archive_stub.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/font.h>
#include <wx/hyperlink.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "layouts/layout_rows.h"

DlgSendArchiveStub::DlgSendArchiveStub(wxWindow* parent, wxWindowID id, const wxString& title,
                                       const wxPoint& pos, const wxSize& size, long style)
    : wxDialog(parent, id, title, pos, size, style) {
  SetSizeHints(wxDefaultSize, wxDefaultSize);

  auto* mainSizer = new wxBoxSizer(wxVERTICAL);
  auto* contentRowSizer = new wxBoxSizer(wxHORIZONTAL);
  tipPicture =
      new wxStaticBitmap(this, wxID_ANY, wxArtProvider::GetBitmap(wxART_TIP, wxART_MESSAGE_BOX));
  contentRowSizer->Add(tipPicture, 0, wxALIGN_CENTER_VERTICAL | wxALL, 15);

  auto* textColumnSizer = new wxBoxSizer(wxVERTICAL);
  congratulationsLabel = newLabel(this, "Congratulations, test is finished!");
  congratulationsLabel->SetFont(boldNormalFont());
  textColumnSizer->Add(congratulationsLabel, 0, wxALL, 5);
  addressHintLabel =
      newLabel(this, "You are asked to send the test results to the following address:");
  textColumnSizer->Add(addressHintLabel, 0, wxTOP | wxRIGHT | wxLEFT, 5);

  auto* addressRowSizer = new wxBoxSizer(wxHORIZONTAL);
  addressLink = newLink(this, wxEmptyString, kPlaceholderUrl);
  addressRowSizer->Add(addressLink, 0, wxALIGN_CENTER_VERTICAL | wxBOTTOM | wxRIGHT | wxLEFT, 5);
  addressRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  copyAddressButton =
      new wxButton(this, wxID_ANY, "Copy", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
  addressRowSizer->Add(copyAddressButton, 0, wxALIGN_CENTER_VERTICAL | wxBOTTOM | wxRIGHT | wxLEFT,
                       5);
  textColumnSizer->Add(addressRowSizer, 1, wxEXPAND, 5);

  fileHintLabel = newLabel(this, "Please, send the following file to that email:");
  textColumnSizer->Add(fileHintLabel, 0, wxTOP | wxRIGHT | wxLEFT, 5);
  auto* pathRowSizer = new wxBoxSizer(wxHORIZONTAL);
  archivePathText = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                                   wxTE_READONLY);
  pathRowSizer->Add(archivePathText, 1, wxALIGN_CENTER_VERTICAL | wxLEFT, 5);
  copyPathButton =
      new wxButton(this, wxID_ANY, "Copy", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
  pathRowSizer->Add(copyPathButton, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
  textColumnSizer->Add(pathRowSizer, 0, wxEXPAND, 5);
  contentRowSizer->Add(textColumnSizer, 1, wxEXPAND, 5);
  mainSizer->Add(contentRowSizer, 1, wxEXPAND, 5);

  auto* buttonRowSizer = new wxBoxSizer(wxHORIZONTAL);
  buttonRowSizer->Add(0, 0, 1, wxEXPAND, 5);
  openInExplorerButton = new wxButton(this, wxID_ANY, "Open in explorer");
  openInExplorerButton->SetDefault();
  buttonRowSizer->Add(openInExplorerButton, 0, wxTOP | wxBOTTOM | wxLEFT, 5);
  okButton = new wxButton(this, wxID_ANY, "OK", wxDefaultPosition, wxDefaultSize, wxBU_EXACTFIT);
  buttonRowSizer->Add(okButton, 0, wxALL, 5);
  mainSizer->Add(buttonRowSizer, 0, wxEXPAND, 5);

  SetSizer(mainSizer);
  Layout();
  mainSizer->Fit(this);
  Centre(wxBOTH);
}
