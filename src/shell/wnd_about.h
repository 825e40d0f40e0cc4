// The About box of the editor: the product's version and build date. GUI thread only.
#pragma once

#include "layouts/wnd_about_stub.h"

class WndAbout : public WndAboutStub {
 public:
  explicit WndAbout(wxWindow* parent);

  static const char* versionText();
  // The build date as "Feb 19 2020" (the compiler's date without its padding blank).
  static wxString buildDateText();
};

// Shows the About box modally over the parent and destroys it.
void showAboutBox(wxWindow* parent);
