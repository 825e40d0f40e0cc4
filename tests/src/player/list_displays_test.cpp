// The list of displays on two real displays side by side (support/two_displays.sh): one text
// per display in the toolkit's order, each with its own full size.
#include <gtest/gtest.h>
#include <wx/display.h>

#include "player/list_displays.h"

namespace {

TEST(ListDisplaysOnTwoDisplays, OneTextPerDisplayWithItsSize) {
  ASSERT_EQ(wxDisplay::GetCount(), 2u) << "run under support/two_displays.sh";
  const wxArrayString names = listDisplays();
  ASSERT_EQ(names.size(), 2u);
  const wxString sizes[] = {wxString::FromUTF8(" (800\u00d7600)"),
                            wxString::FromUTF8(" (640\u00d7480)")};
  for (unsigned i = 0; i < 2; ++i) {
    const wxString name = wxDisplay(i).GetName();
    // A display the server gives no name is called by its number, counted from 1.
    const wxString expected =
        (name.empty() ? wxString::Format("Display %u", i + 1) : name) + sizes[i];
    EXPECT_EQ(names[i], expected);
  }
}

}  // namespace
