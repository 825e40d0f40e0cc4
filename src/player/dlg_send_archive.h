// The dialog shown at the end of a pass when the task asks for the results by e-mail: the
// address as a "mailto:" link and the path of the pass's archive, each with a button that puts
// it on the clipboard, and a button that shows the archive in the file manager. "OK" ends it.
// GUI thread only.
#pragma once

#include <string>

#include "layouts/dlg_send_archive_stub.h"

class DlgSendArchive : public DlgSendArchiveStub {
 public:
  DlgSendArchive(wxWindow* parent, const std::wstring& email, const std::wstring& archivePath);
};
