// The status panel of a saved task follows its passes: the hint of an unsaved task, the
// monitor's text as passes written by another process come and go, the results dialog, and
// "Refresh" where the pass folder cannot be watched.
#include <gtest/gtest.h>
#include <wx/hyperlink.h>
#include <wx/stattext.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "app/status_panel.h"
#include "editor_fixture.h"
#include "results/pass_header.h"
#include "results/results_monitor.h"
#include "src/results/pass_fixture.h"
#include "support/gui_pump.h"

namespace {

using vixo_test::EditorTest;
using vixo_test::pumpUntil;
namespace fs = std::filesystem;

class StatusPanelTest : public EditorTest {
 protected:
  WndMain::StatusBarPanel2* panel() { return w->statusPanel; }
  std::string statusText() { return panel()->resultsStatusLabel->GetLabel().utf8_string(); }
  bool waitForStatus(const std::string& text) {
    return pumpUntil([&] { return statusText() == text; }, std::chrono::seconds(10));
  }
  // A pass file of another computer, written here and moved into the folder by another
  // process, as a pass on a shared folder appears.
  void passFromElsewhere(const std::string& states, const std::string& name, double progress) {
    PassHeader header;
    header.computer = L"other pc";
    header.id = "~" + name;
    header.progress = progress;
    const std::string temp = folder / (name + ".tmp");
    vixo_test::writeBytes(temp, passHeaderToJson(header).toString() + "{}\"end\"");
    const std::string command = "mv '" + temp + "' '" + states + "/" + name + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
  }
};

TEST_F(StatusPanelTest, ASavedTaskIsFollowedAsPassesComeAndGo) {
  EXPECT_TRUE(panel()->saveHintLabel->IsShown());
  EXPECT_FALSE(panel()->openResultsLink->IsShown());
  EXPECT_FALSE(menuEnabled(w->viewResultsMenuItem));
  EXPECT_FALSE(menuEnabled(w->exportCsvMenuItem));
  EXPECT_FALSE(toolEnabled(w->viewResultsTool));
  // Nothing to show yet: the command does nothing.
  int dialogs = 0;
  vixo::setModalAnswerer([&](wxDialog& dialog) {
    ++dialogs;
    EXPECT_EQ(dialog.GetTitle(), "Test results");
    dialog.EndModal(wxID_CANCEL);
  });
  panel()->openResults();
  EXPECT_EQ(dialogs, 0);

  typeName("Lab");
  const std::string task = folder / "lab.vixo";
  fileAnswers.push_back({wxString::FromUTF8(task)});
  menu(w->saveAsMenuItem);
  EXPECT_FALSE(panel()->saveHintLabel->IsShown());
  EXPECT_TRUE(panel()->openResultsLink->IsShown());
  EXPECT_FALSE(panel()->refreshLink->IsShown());
  EXPECT_TRUE(menuEnabled(w->viewResultsMenuItem));
  EXPECT_TRUE(menuEnabled(w->exportCsvMenuItem));
  EXPECT_TRUE(toolEnabled(w->viewResultsTool));
  ASSERT_TRUE(waitForStatus("No results")) << statusText();

  const std::string states = task + ".states";
  passFromElsewhere(states, "state@other%20pc@1@", 0.5);
  ASSERT_TRUE(waitForStatus("Now running: 1 (50% passed);")) << statusText();
  passFromElsewhere(states, "result@a@", 1.0);
  ASSERT_TRUE(waitForStatus("Finished: 1; Now running: 1 (50% passed);")) << statusText();
  fs::remove(states + "/state@other%20pc@1@");
  ASSERT_TRUE(waitForStatus("Finished: 1;")) << statusText();

  // "View results" and the panel's link open the results dialog.
  menu(w->viewResultsMenuItem);
  wxHyperlinkEvent click(panel()->openResultsLink, panel()->openResultsLink->GetId(), "");
  panel()->openResultsLink->GetEventHandler()->ProcessEvent(click);
  EXPECT_EQ(dialogs, 2);
  vixo::setModalAnswerer(nullptr);

  // "New" forgets the path: the hint again.
  menu(w->newMenuItem);
  EXPECT_TRUE(panel()->saveHintLabel->IsShown());
  EXPECT_FALSE(menuEnabled(w->viewResultsMenuItem));
  EXPECT_EQ(panel()->monitor, nullptr);
}

TEST_F(StatusPanelTest, AFolderThatCannotBeWatchedOffersRefresh) {
  folder.makeFile("not-a-folder");
  w->setTask(Task(), fromUtf8(folder / "not-a-folder/t.vixo"));
  ASSERT_TRUE(waitForStatus("No results")) << statusText();
  EXPECT_TRUE(panel()->refreshLink->IsShown());
  EXPECT_TRUE(menuEnabled(w->viewResultsMenuItem));

  // Each click replaces the monitor: the old one is gone (its address may well be the new
  // one's), and a fresh one scans.
  const std::weak_ptr<ResultsMonitor> first = panel()->monitor;
  auto clickRefresh = [&] {
    wxHyperlinkEvent click(panel()->refreshLink, panel()->refreshLink->GetId(), "");
    panel()->refreshLink->GetEventHandler()->ProcessEvent(click);
  };
  clickRefresh();
  EXPECT_TRUE(first.expired());
  ASSERT_NE(panel()->monitor, nullptr);
  EXPECT_EQ(panel()->monitor->taskPath(), fromUtf8(folder / "not-a-folder/t.vixo"));
  EXPECT_TRUE(waitForStatus("No results"));
  EXPECT_TRUE(panel()->refreshLink->IsShown());

  // Once the folder can be made, "Refresh" follows it: a pass that appears later shows.
  fs::remove(folder / "not-a-folder");
  fs::create_directory(folder / "not-a-folder");
  clickRefresh();
  ASSERT_TRUE(
      pumpUntil([&] { return !panel()->refreshLink->IsShown(); }, std::chrono::seconds(10)));
  ASSERT_TRUE(waitForStatus("No results")) << statusText();
  passFromElsewhere(folder / "not-a-folder/t.vixo.states", "state@other%20pc@1@", 0.25);
  EXPECT_TRUE(waitForStatus("Now running: 1 (25% passed);")) << statusText();
}

TEST_F(StatusPanelTest, APassFolderThatGoesOffersRefreshWhichFollowsItOnceBack) {
  const std::string task = folder / "lab.vixo";
  const std::string states = task + ".states";
  w->setTask(Task(), fromUtf8(task));
  passFromElsewhere(states, "result@a@", 1.0);
  ASSERT_TRUE(waitForStatus("Finished: 1;")) << statusText();
  EXPECT_FALSE(panel()->refreshLink->IsShown());

  // Deleted while followed: the panel says it no longer follows.
  fs::remove_all(states);
  ASSERT_TRUE(pumpUntil([&] { return panel()->refreshLink->IsShown(); }, std::chrono::seconds(10)));
  EXPECT_EQ(statusText(), "No results");

  // Back, with a pass of its own: "Refresh" follows it again, also its later changes.
  fs::create_directory(states);
  passFromElsewhere(states, "result@b@", 1.0);
  wxHyperlinkEvent click(panel()->refreshLink, panel()->refreshLink->GetId(), "");
  panel()->refreshLink->GetEventHandler()->ProcessEvent(click);
  ASSERT_TRUE(waitForStatus("Finished: 1;")) << statusText();
  EXPECT_FALSE(panel()->refreshLink->IsShown());
  passFromElsewhere(states, "state@other%20pc@1@", 0.5);
  EXPECT_TRUE(waitForStatus("Finished: 1; Now running: 1 (50% passed);")) << statusText();
}

TEST_F(StatusPanelTest, FieldsKeepTheirChildrenAfterAResize) {
  for (const wxSize& size : {wxSize(900, 500), wxSize(640, 400)}) {
    w->SetSize(size);
    w->SendSizeEvent();
    vixo_test::runEvents(50);
    for (int field : {1, 2}) {
      wxWindow* child = field == 1 ? static_cast<wxWindow*>(w->summaryText) : panel();
      wxRect rect;
      ASSERT_TRUE(w->statusBar->GetFieldRect(field, rect));
      const wxPoint at = child->GetPosition();
      const wxSize inner = child->GetClientSize();
      // Centred in its field, which is as wide as the child (borders aside).
      EXPECT_NEAR(at.x - rect.x, (rect.width - inner.x) / 2, 1) << field;
      EXPECT_NEAR(at.y - rect.y, (rect.height - inner.y) / 2, 1) << field;
    }
    wxRect first;
    ASSERT_TRUE(w->statusBar->GetFieldRect(0, first));
    EXPECT_EQ(w->summaryLink->GetPosition().x, first.x + 5);
  }
}

}  // namespace
