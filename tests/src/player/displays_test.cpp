// Two displays side by side (support/two_displays.sh): 800 x 600 at (0, 0), the primary one,
// and 640 x 480 at (800, 0). The full-screen window on the chosen display, the display test,
// the layout of a resumed pass, and where dialogs and message boxes appear.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/display.h>
#include <wx/msgdlg.h>
#include <wx/panel.h>
#include <wx/utils.h>

#include "src/player/player_fixture.h"
#include "support/json_text.h"
#include "support/screenshot.h"

namespace {

using namespace vixo_test;

class DisplaysTest : public PlayerTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(wxDisplay::GetCount(), 2u) << "run under support/two_displays.sh";
    ASSERT_EQ(wxDisplay(1u).GetGeometry(), wxRect(800, 0, 640, 480));
  }
};

TEST_F(DisplaysTest, FullScreenWindowCoversTheChosenDisplay) {
  ScriptedDefaultPlayer player;
  auto* window = player.fullScreenWnd;
  window->displayIndex = 1;
  window->present();
  EXPECT_TRUE(loopUntil([&] { return window->GetScreenRect() == wxRect(800, 0, 640, 480); }))
      << window->GetScreenRect().x << "," << window->GetScreenRect().width;
  // The pointer is on its centre.
  EXPECT_EQ(wxGetMousePosition(), wxPoint(800 + 320, 240));

  // A resumed pass's layout moves the shown window; a display that is gone means the primary.
  Brindle::JSON layout = player.saveLayout();
  EXPECT_EQ(layout.toString(),
            parseText(R"({"display":1,"questionsX":0,"questionsY":0})").toString());
  EXPECT_TRUE(player.loadLayout(parseText(R"({"display":0,"questionsX":900})")));
  EXPECT_TRUE(loopUntil([&] { return window->GetScreenRect() == wxRect(0, 0, 800, 600); }));
  EXPECT_EQ(player.questionsX, 900);
  EXPECT_EQ(player.questionsY, 0);
  EXPECT_TRUE(player.loadLayout(parseText(R"({"display":1})")));
  EXPECT_TRUE(loopUntil([&] { return window->GetScreenRect() == wxRect(800, 0, 640, 480); }));
  EXPECT_TRUE(player.loadLayout(parseText(R"({"display":7})")));
  EXPECT_TRUE(loopUntil([&] { return window->GetScreenRect() == wxRect(0, 0, 800, 600); }));
  EXPECT_EQ(player.questionsX, 900);
}

TEST_F(DisplaysTest, DisplayTestRunsOnTheChosenDisplay) {
  ScriptedDefaultPlayer player;
  auto* window = player.fullScreenWnd;
  wxRect windowRect, panel;
  wxImage seen;
  wxTimer look;
  look.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    windowRect = window->GetScreenRect();
    panel = window->firstVideoPanel->GetScreenRect();
    seen = grabWindow(window);
  });
  look.StartOnce(600);
  player.runDisplayTest(1);
  EXPECT_FALSE(window->IsShown());
  EXPECT_EQ(windowRect, wxRect(800, 0, 640, 480));
  // 80 percent of 640 x 476: the square 380 x 380, centred.
  EXPECT_EQ(panel, wxRect(800 + 130, 4 + 48, 380, 380));
  ASSERT_TRUE(seen.IsOk());
  int white = 0;
  for (int y = 0; y < seen.GetHeight(); ++y)
    for (int x = 0; x < seen.GetWidth(); ++x)
      white += seen.GetRed(x, y) == 255 && seen.GetGreen(x, y) == 255 && seen.GetBlue(x, y) == 255;
  EXPECT_EQ(white, 38 * 38 + 320 * 4);  // the square, and the white half of the strip
}

// Where placeDialogAt puts a 300 x 200 dialog centred on a point.
TEST_F(DisplaysTest, DialogsStayInsideTheTopLeftOfTheDisplayThatHoldsThePoint) {
  struct Case {
    const char* what;
    wxPoint centre;
    wxPoint expected;
  } cases[] = {
      {"inside the second display", {1100, 300}, {950, 200}},
      {"left edge of the second display, not the first", {820, 240}, {800, 140}},
      {"above the top", {1000, 30}, {850, 0}},
      {"right and bottom are not limited", {1400, 450}, {1250, 350}},
      {"on no display: the primary one", {1200, 550}, {1050, 450}},
      {"far left of everything: the primary one", {-500, -500}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    auto* dialog = keep(new wxDialog(nullptr, wxID_ANY, "Question", wxDefaultPosition,
                                     wxSize(300, 200), wxBORDER_NONE));
    vixo::placeDialogAt(dialog, c.centre.x, c.centre.y);
    EXPECT_EQ(dialog->GetPosition(), c.expected);
    dialog->Show();
    // The pointer goes to the dialog's centre once it is on screen (where a display shows it:
    // the server keeps the pointer on the displays).
    const wxPoint centre = c.expected + wxSize(150, 100);
    if (wxDisplay::GetFromPoint(centre) != wxNOT_FOUND) {
      EXPECT_TRUE(loopUntil([&] { return wxGetMousePosition() == centre; }))
          << wxGetMousePosition().x << "," << wxGetMousePosition().y;
    }
    dialog->Hide();
  }
}

// The real message box of a prompt, centred on a point of the second display.
TEST_F(DisplaysTest, MessageBoxesAppearOnTheirPoint) {
  wxRect box;
  wxString buttons;
  wxTheApp->CallAfter([&] {
    for (wxWindow* w : wxTopLevelWindows) {
      auto* dialog = dynamic_cast<wxGenericMessageDialog*>(w);
      if (!dialog || !dialog->IsModal()) continue;
      loopUntil([] { return false; }, 100ms);
      box = dialog->GetScreenRect();
      for (wxWindow* child : dialog->GetChildren())
        if (auto* button = dynamic_cast<wxButton*>(child)) buttons += button->GetLabel() + "|";
      dialog->EndModal(wxID_NO);
    }
  });
  vixo::Prompt prompt;
  prompt.caption = "Test not finished";
  prompt.text = "Test not finished. Do you really want to interrupt test?";
  prompt.style = wxYES_NO | wxCANCEL | wxCANCEL_DEFAULT | wxICON_INFORMATION;
  prompt.yesLabel = "Exit saving progress";
  prompt.noLabel = "Exit discarding progress";
  prompt.cancelLabel = "Continue test";
  prompt.at = wxPoint(1120, 240);
  EXPECT_EQ(vixo::showPrompt(prompt), wxID_NO);
  ASSERT_FALSE(box.IsEmpty());
  EXPECT_EQ(box.x, std::max(800, 1120 - box.width / 2));
  EXPECT_EQ(box.y, std::max(0, 240 - box.height / 2));
  EXPECT_NE(buttons.Find("Exit saving progress"), wxNOT_FOUND) << buttons;
  EXPECT_NE(buttons.Find("Continue test"), wxNOT_FOUND) << buttons;
}

// A question dialog appears where the last one was left, and its place is remembered.
TEST_F(DisplaysTest, QuestionDialogsFollowTheRememberedCentre) {
  ScriptedDefaultPlayer player;
  auto* start = keep(
      new wxDialog(nullptr, wxID_ANY, "Start", wxPoint(900, 100), wxSize(301, 201), wxBORDER_NONE));
  player.rememberDialogCentre(start);
  EXPECT_EQ(wxPoint(player.questionsX, player.questionsY), wxPoint(1050, 200));

  wxDialog question(nullptr, wxID_ANY, "Vote", wxDefaultPosition, wxSize(200, 100), wxBORDER_NONE);
  wxPoint shownAt;
  vixo::setModalAnswerer([&](wxDialog& d) {
    shownAt = d.GetPosition();
    d.Move(820, 300);  // the observer moves it
    d.EndModal(wxID_OK);
  });
  EXPECT_EQ(player.runModal(question), wxID_OK);
  EXPECT_EQ(shownAt, wxPoint(950, 150));
  EXPECT_EQ(wxPoint(player.questionsX, player.questionsY), wxPoint(919, 349));
}

}  // namespace
