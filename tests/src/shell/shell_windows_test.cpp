// The messages dialog, the loading window and the About box on real windows.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/dataview.h>
#include <wx/frame.h>
#include <wx/stattext.h>
#include <wx/timer.h>

#include <chrono>

#include "common/prompt.h"
#include "shell/dlg_messages.h"
#include "shell/wnd_about.h"
#include "shell/wnd_loading.h"
#include "src/layouts/layout_fixture.h"
#include "support/control_fit.h"
#include "support/screenshot.h"

namespace {

using Clock = std::chrono::steady_clock;

class ShellWindowsTest : public vixo_test::LayoutTest {
 protected:
  ~ShellWindowsTest() override { vixo::setModalAnswerer({}); }
};

// The rows of the list: text and whether its icon is that of the level.
struct Row {
  wxString text;
  wxIcon icon;
};
std::vector<Row> rowsOf(DlgMessages& dialog) {
  std::vector<Row> rows;
  for (int i = 0; i < dialog.messageList->GetItemCount(); ++i) {
    wxVariant value;
    dialog.messageList->GetValue(value, static_cast<unsigned>(i), 0);
    wxDataViewIconText cell;
    cell << value;
    rows.push_back({cell.GetText(), cell.GetIcon()});
  }
  return rows;
}

bool sameIcon(const wxIcon& a, const wxIcon& b) {
  if (!a.IsOk() || !b.IsOk()) return false;
  const wxImage x = wxBitmap(a).ConvertToImage();
  const wxImage y = wxBitmap(b).ConvertToImage();
  return x.GetSize() == y.GetSize() &&
         std::equal(x.GetData(), x.GetData() + x.GetWidth() * x.GetHeight() * 3, y.GetData());
}

TEST_F(ShellWindowsTest, MessagesListsEachMessageWithItsLevelsIconAndCountsThem) {
  const std::vector<ValidationMessage> messages = {
      {2, L"note", L"Task has no name"},
      {0, L"select method", L"Method not selected: select method"},
      {1, L"few", L"Only one file in group 1"},
      {2, L"x", L"Ünïcode file «name»"},
  };
  auto* dialog = keep(new DlgMessages(nullptr, messages));
  EXPECT_EQ(dialog->GetTitle(), "Messages");
  EXPECT_EQ(dialog->GetSize(), wxSize(457, 315));
  EXPECT_EQ(dialog->summaryLabel->GetLabel(), "1 Error(s); 1 Warnings(s); 2 Notices(s);");

  const std::vector<Row> rows = rowsOf(*dialog);
  ASSERT_EQ(rows.size(), messages.size());
  const wxIcon* expected[] = {&dialog->infoIcon, &dialog->errorIcon, &dialog->warningIcon,
                              &dialog->infoIcon};
  for (size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rows[i].text, wxString(messages[i].text.c_str()));
    EXPECT_TRUE(sameIcon(rows[i].icon, *expected[i]));
  }
  // Three different pictures from the art provider.
  EXPECT_FALSE(sameIcon(dialog->errorIcon, dialog->warningIcon));
  EXPECT_FALSE(sameIcon(dialog->errorIcon, dialog->infoIcon));
  vixo_test::saveScreenshot(dialog, "dlg_messages");
}

TEST_F(ShellWindowsTest, MessagesOfNoTaskFindingsAndOkEndsTheDialog) {
  auto* dialog = keep(new DlgMessages(nullptr, {}));
  EXPECT_EQ(dialog->messageList->GetItemCount(), 0);
  EXPECT_EQ(dialog->summaryLabel->GetLabel(), "0 Error(s); 0 Warnings(s); 0 Notices(s);");
  vixo::setModalAnswerer([&](wxDialog&) {
    wxCommandEvent click(wxEVT_BUTTON, dialog->okButton->GetId());
    click.SetEventObject(dialog->okButton);
    dialog->okButton->ProcessWindowEvent(click);
  });
  EXPECT_EQ(vixo::showModal(*dialog), 0);
}

// Each window shows its controls whole, measured against the sizes the toolkit's fonts and
// themes give them, at the size it opens with.
TEST_F(ShellWindowsTest, WindowsOpenWithTheirControlsWhole) {
  const std::vector<ValidationMessage> messages = {
      {0, L"select method", L"Method not selected: select method"},
      {1, L"can't open 2 file(s)", L"Can't open notes.txt and 1 other file(s)"},
      {2, L"long", L"ITU-R BT.500 recommends sequences not longer than 10s"}};
  const struct {
    const char* name;
    wxTopLevelWindow* window;
  } windows[] = {{"messages", keep(new DlgMessages(nullptr, messages))},
                 {"about", keep(new WndAbout(nullptr))},
                 {"loading", keep(new WndLoading(nullptr, "Orlo VIXO Start Work", wxSize(525, 256),
                                                 wxDEFAULT_DIALOG_STYLE))}};
  for (const auto& w : windows) {
    SCOPED_TRACE(w.name);
    w.window->Show();
    vixo_test::grabWindow(w.window);
    EXPECT_EQ(vixo_test::cutControls(w.window), std::vector<std::string>{});
    w.window->Hide();
  }
}

TEST_F(ShellWindowsTest, AboutShowsTheVersionAndTheBuildDate) {
  bool shown = false;
  vixo::setModalAnswerer([&](wxDialog& about) {
    shown = true;
    auto& window = static_cast<WndAbout&>(about);
    EXPECT_EQ(window.GetTitle(), "About Orlo VIXO");
    EXPECT_EQ(window.GetSize(), wxSize(659, 326));
    EXPECT_EQ(window.versionLabel->GetLabel(), "2.1 BETA r12218");
    // "Feb 19 2020" or "Feb 9 2020".
    const wxString date = window.buildDateLabel->GetLabel();
    const wxString month = date.BeforeFirst(' ');
    const wxString day = date.AfterFirst(' ').BeforeFirst(' ');
    const wxString year = date.AfterLast(' ');
    long d = 0, y = 0;
    EXPECT_EQ(wxString("JanFebMarAprMayJunJulAugSepOctNovDec").Find(month) % 3, 0) << date;
    EXPECT_EQ(month.size(), 3u) << date;
    EXPECT_TRUE(day.ToLong(&d) && d >= 1 && d <= 31 && !day.StartsWith("0")) << date;
    EXPECT_TRUE(year.ToLong(&y) && y >= 2020 && year.size() == 4) << date;
    wxCommandEvent click(wxEVT_BUTTON, window.okButton->GetId());
    click.SetEventObject(window.okButton);
    window.okButton->ProcessWindowEvent(click);
  });
  showAboutBox(nullptr);
  EXPECT_TRUE(shown);
  vixo_test::saveScreenshot(keep(new WndAbout(nullptr)), "wnd_about");
}

// The loading window over a frame that is still hidden, as over a player's full-screen window.
TEST_F(ShellWindowsTest, LoadingWindowAppearsAndGoesAtTheParentsFirstIdle) {
  auto* parent = keep(new wxFrame(nullptr, wxID_ANY, "building"));
  WndLoading* loading = showLoadingWindow(parent);
  ASSERT_NE(loading, nullptr);
  EXPECT_EQ(loading->GetTitle(), "Orlo VIXO Start Work");
  EXPECT_EQ(loading->GetSize(), wxSize(525, 256));
  EXPECT_TRUE(loading->IsShown());
  EXPECT_EQ(loading->GetParent(), parent);
  vixo_test::saveScreenshot(loading, "wnd_loading");

  // The caller's construction is over: the next idle time removes the loading window.
  bool gone = false;
  loading->Bind(wxEVT_DESTROY, [&](wxWindowDestroyEvent& e) {
    if (e.GetEventObject() == loading) gone = true;
    e.Skip();
  });
  for (int i = 0; i < 100 && !gone; ++i) {
    wxTheApp->ProcessPendingEvents();
    wxTheApp->ProcessIdle();
    wxYield();
  }
  EXPECT_TRUE(gone);
  // Later idle events of the parent find nothing to do.
  vixo_test::runEvents(30);
}

// No window gets idle events, as when the caller's construction keeps the loop busy.
struct NoIdleEvents {
  NoIdleEvents() { wxIdleEvent::SetMode(wxIDLE_PROCESS_SPECIFIED); }
  ~NoIdleEvents() { wxIdleEvent::SetMode(wxIDLE_PROCESS_ALL); }
};

TEST_F(ShellWindowsTest, WithoutIdleEventsTheTimerEndsTheWait) {
  auto* parent = keep(new wxFrame(nullptr, wxID_ANY, "building"));
  NoIdleEvents noIdle;
  const auto start = Clock::now();
  WndLoading* loading = showLoadingWindow(parent);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(90));
  EXPECT_TRUE(loading->IsShown());
}

TEST_F(ShellWindowsTest, ClosingTheLoadingWindowEndsTheWaitAtOnce) {
  auto* parent = keep(new wxFrame(nullptr, wxID_ANY, "building"));
  NoIdleEvents noIdle;
  // The close comes from a timer of the test's own, which fires while the wait runs.
  Clock::time_point closedAt{};
  wxTimer closer;
  closer.Bind(wxEVT_TIMER, [&closedAt](wxTimerEvent&) {
    for (wxWindow* w : wxTopLevelWindows) {
      if (auto* l = dynamic_cast<WndLoading*>(w)) {
        closedAt = Clock::now();
        l->Close();
      }
    }
  });
  closer.StartOnce(10);
  showLoadingWindow(parent);
  // Measured from the close, not from the call: a busy machine may take long to show the
  // window, but the wait ends with the close, not with its own timer 100 ms after the start.
  ASSERT_NE(closedAt, Clock::time_point{});
  EXPECT_LT(Clock::now() - closedAt, std::chrono::milliseconds(80));
}

}  // namespace
