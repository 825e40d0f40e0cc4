// The "Messages" dialog: a task's validation messages, each with the icon of its level, and a
// count of them by level. GUI thread only; the caller shows it modally and destroys it.
#pragma once

#include <wx/icon.h>

#include <array>
#include <vector>

#include "avifile/property_validator.h"
#include "layouts/dlg_messages_stub.h"

class DlgMessages : public DlgMessagesStub {
 public:
  DlgMessages(wxWindow* parent, const std::vector<ValidationMessage>& messages);

  // "1 Error(s); 0 Warnings(s); 2 Notices(s);" for the counts of levels 0, 1 and 2.
  static wxString summaryText(const std::array<int, 3>& counts);

  wxIcon errorIcon;
  wxIcon warningIcon;
  wxIcon infoIcon;
};
