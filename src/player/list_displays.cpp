#include "player/list_displays.h"

#include <wx/display.h>

wxString displayText(const wxString& name, unsigned index, const wxRect& geometry) {
  wxString text = name.empty() ? wxString::Format("Display %u", index + 1) : name;
  text << " (" << geometry.width << wxUniChar(0x00D7) << geometry.height << ")";
  return text;
}

wxArrayString listDisplays() {
  wxArrayString names;
  for (unsigned i = 0; i < wxDisplay::GetCount(); ++i) {
    const wxDisplay display(i);
    names.Add(displayText(display.GetName(), i, display.GetGeometry()));
  }
  return names;
}
