#include "shell/dlg_messages.h"

#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dataview.h>
#include <wx/stattext.h>

namespace {

wxIcon iconFromBitmap(const wxBitmap& bitmap) {
  wxIcon icon;
  icon.CopyFromBitmap(bitmap);
  return icon;
}

wxIcon artIcon(const wxArtID& id) {
  return iconFromBitmap(wxArtProvider::GetBitmap(id, wxART_MENU, wxDefaultSize));
}

}  // namespace

DlgMessages::DlgMessages(wxWindow* parent, const std::vector<ValidationMessage>& messages)
    : DlgMessagesStub(parent, wxID_ANY, "Messages", wxDefaultPosition, wxSize(457, 315)),
      errorIcon(artIcon(wxART_ERROR)),
      warningIcon(artIcon(wxART_WARNING)),
      infoIcon(artIcon(wxART_INFORMATION)) {
  const wxIcon* icons[] = {&errorIcon, &warningIcon, &infoIcon};
  std::array<int, 3> counts = {0, 0, 0};
  for (const ValidationMessage& message : messages) {
    // A level outside 0..2 (an empty message) is listed with the notice icon and not counted.
    const bool known = message.level >= 0 && message.level <= 2;
    if (known) ++counts[static_cast<size_t>(message.level)];
    wxVector<wxVariant> row;
    row.push_back(wxVariant(
        wxDataViewIconText(wxString(message.text.c_str()), *icons[known ? message.level : 2])));
    messageList->AppendItem(row);
  }
  summaryLabel->SetLabel(summaryText(counts));
  okButton->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { EndModal(0); });
}

wxString DlgMessages::summaryText(const std::array<int, 3>& counts) {
  return wxString::Format("%d Error(s); %d Warnings(s); %d Notices(s);", counts[0], counts[1],
                          counts[2]);
}
