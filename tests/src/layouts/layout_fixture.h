// What the layout tests share: a fixture that destroys the windows a test made and makes a wx
// assertion fail the test, and texts that the expected layouts use.
#pragma once

#include <functional>

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/evtloop.h>
#include <wx/font.h>
#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/imagpng.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/toplevel.h>
#include <wx/utils.h>

#include <map>
#include <string>
#include <vector>

#include "support/run_events.h"
#include "support/wx_assert_failure.h"

namespace vixo_test {

// A text written as a raw string literal that starts on the line after its opening quote: the
// first line break is dropped, and each key of fill is replaced by its value.
inline std::string block(const char* text, const std::map<std::string, std::string>& fill = {}) {
  std::string out = text[0] == '\n' ? text + 1 : text;
  for (const auto& [key, value] : fill)
    for (auto at = out.find(key); at != std::string::npos; at = out.find(key, at + value.size()))
      out.replace(at, key.size(), value);
  return out;
}

// A dialog created with wxDEFAULT_DIALOG_STYLE: the toolkit adds tab traversal to every dialog.
inline constexpr long kDialogStyle = wxDEFAULT_DIALOG_STYLE | wxTAB_TRAVERSAL;

// How the layout descriptions write a bold font of the toolkit's normal size without a face.
inline std::string boldFontText() {
  const wxFont bold(wxNORMAL_FONT->GetPointSize(), wxFONTFAMILY_DEFAULT, wxFONTSTYLE_NORMAL,
                    wxFONTWEIGHT_BOLD, false, wxEmptyString);
  return std::to_string(bold.GetPointSize()) + "pt bold face=\"" +
         std::string(bold.GetFaceName().utf8_str()) + "\"";
}

// A label as the descriptions write it, line breaks escaped; where the toolkit breaks a wrapped
// label's lines depends on the font.
inline std::string escapedLabel(const wxStaticText* label) {
  wxString text = label->GetLabel();
  text.Replace("\n", "\\n");
  return std::string(text.utf8_str());
}

// Where Centre(wxBOTH) puts a top-level window of this size on the screen.
inline wxPoint centredPosition(const wxSize& size) {
  const wxRect screen = wxGetClientDisplayRect();
  return {screen.x + (screen.width - size.x) / 2, screen.y + (screen.height - size.y) / 2};
}

// A top-level window as it opens: its title and style, its size (wxDefaultSize: the size its
// sizer needs) and its place, centred on the screen.
inline void expectOpening(wxTopLevelWindow* window, const wxString& title, long style,
                          const wxSize& size = wxDefaultSize) {
  SCOPED_TRACE(title.ToStdString());
  EXPECT_EQ(window->GetTitle(), title);
  EXPECT_EQ(window->GetWindowStyleFlag(), style);
  if (size == wxDefaultSize) {
    EXPECT_EQ(window->GetClientSize(), window->GetSizer()->GetMinSize());
  } else {
    EXPECT_EQ(window->GetSize(), size);
  }
  EXPECT_EQ(window->GetPosition(), centredPosition(window->GetSize()));
}

// Runs the event loop until the condition holds, at most about five seconds (a loaded machine
// can take its time over a window's first layout); false when it never held.
inline bool runEventsUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 250 && !done(); ++i) runEvents(20);
  return done();
}

class LayoutTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    // As the application does at start-up.
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxImage::AddHandler(new wxPNGHandler);
  }

  // Keeps window (a top-level window) to be destroyed when the test ends.
  template <class Window>
  Window* keep(Window* window) {
    windows_.push_back(window);
    return window;
  }

  void TearDown() override {
    for (wxWindow* window : windows_) window->Destroy();
    windows_.clear();
    // Destroyed windows go on the next idle; run until every top-level window is gone.
    for (int i = 0; i < 1000 && !wxTopLevelWindows.empty(); ++i) {
      wxTheApp->ProcessPendingEvents();
      wxTheApp->ProcessIdle();
      wxYield();
    }
    EXPECT_TRUE(wxTopLevelWindows.empty());
  }

 private:
  WxAssertionsFailTest assertionsFail_;  // for the whole test, window destruction included
  std::vector<wxWindow*> windows_;
};

}  // namespace vixo_test
