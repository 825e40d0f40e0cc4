// The dialog before a question's video (texts, keys and links) and the send-archive dialog
// (mailto link, clipboard, file manager), worked inside their modal loops.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/hyperlink.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "avifile/avi_system.h"
#include "player/dlg_before_video.h"
#include "player/dlg_send_archive.h"
#include "run_dialog_fixture.h"
#include "support/fake_file_manager.h"
#include "support/temp_folder.h"

namespace {

using vixo_test::click;
using vixo_test::runScripted;
using vixo_test::sendKey;

class InstructionsDialogTest : public vixo_test::RunDialogTest {
 protected:
  const Task task = vixo_test::fortyFileTask("DSIS");
  vixo_test::CountedPlay play{task, 2};
};

TEST_F(InstructionsDialogTest, QuestionInstructionsStartWithSpaceOrTheLink) {
  const wxString message = "Please watch the video and remember its quality.";
  for (bool bySpace : {true, false}) {
    SCOPED_TRACE(bySpace ? "space" : "link");
    DlgBeforeVideo dialog(parent, message, false, true, true, true, &play, &interrupter);
    EXPECT_EQ(dialog.GetTitle(), "");
    EXPECT_EQ(dialog.taskNameValueLabel->GetLabel(), "Faces at low bit rates");
    EXPECT_EQ(dialog.expertNameValueLabel->GetLabel(), wxString(L"Jana Nováková"));
    EXPECT_EQ(dialog.questionNumberValueLabel->GetLabel(), "3/40");
    EXPECT_EQ(dialog.messageLabel->GetLabel(), message);
    EXPECT_EQ(dialog.hotkeysLabel->GetLabel(), "Hotkeys:\n<space> - pause\n<esc> - interrupt");
    runScripted(dialog, [&](wxDialog&) {
      EXPECT_TRUE(dialog.hotkeysLabel->IsShownOnScreen());
      EXPECT_TRUE(dialog.startLink->IsShownOnScreen());
      EXPECT_FALSE(dialog.sequenceALink->IsShown());
      EXPECT_FALSE(dialog.sequenceBLink->IsShown());
      sendKey(&dialog, 'a');  // no sequence to choose here
      EXPECT_TRUE(dialog.IsModal());
      if (bySpace)
        sendKey(&dialog, WXK_SPACE);
      else
        click(dialog.startLink);
    });
    EXPECT_TRUE(dialog.answered);
    EXPECT_EQ(dialog.key, 0);
  }
}

TEST_F(InstructionsDialogTest, WithoutPauseTheHotKeysHaveTwoLines) {
  DlgBeforeVideo dialog(parent, "m", false, true, false, true, &play, &interrupter);
  EXPECT_EQ(dialog.hotkeysLabel->GetLabel(), "Hotkeys:\n<esc> - interrupt");
}

TEST_F(InstructionsDialogTest, ChoosingTheSequenceToWatchFirst) {
  const struct {
    bool key;
    int code;
    char chosen;
  } rows[] = {{true, 'b', 'B'}, {true, 'A', 'A'}, {false, 'A', 'A'}, {false, 'B', 'B'}};
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.key ? "key " : "link ") + char(row.code));
    DlgBeforeVideo dialog(parent, "Choose the sequence to watch first.", true, false, true, true,
                          &play, &interrupter);
    runScripted(dialog, [&](wxDialog&) {
      EXPECT_FALSE(dialog.startLink->IsShown());
      EXPECT_TRUE(dialog.sequenceALink->IsShownOnScreen());
      EXPECT_TRUE(dialog.sequenceBLink->IsShownOnScreen());
      sendKey(&dialog, WXK_SPACE);  // no plain start here
      EXPECT_TRUE(dialog.IsModal());
      if (row.key)
        sendKey(&dialog, row.code);
      else
        click(row.code == 'A' ? dialog.sequenceALink : dialog.sequenceBLink);
    });
    EXPECT_TRUE(dialog.answered);
    EXPECT_EQ(dialog.key, row.chosen);
  }
}

TEST_F(InstructionsDialogTest, OnlineVariantHasNoPromptsNoHotKeysAndNoKeys) {
  DlgBeforeVideo dialog(parent, "Watch the screen", false, false, false, false, &play,
                        &interrupter);
  dialog.Show();
  ASSERT_TRUE(vixo_test::waitOnScreen(&dialog));
  EXPECT_FALSE(dialog.hotkeysLabel->IsShown());
  EXPECT_FALSE(dialog.startLink->IsShown());
  EXPECT_FALSE(dialog.sequenceALink->IsShown());
  EXPECT_FALSE(dialog.sequenceBLink->IsShown());
  sendKey(&dialog, WXK_SPACE);
  sendKey(&dialog, 'A');
  EXPECT_FALSE(dialog.answered);
  EXPECT_TRUE(dialog.IsShown());
}

TEST_F(InstructionsDialogTest, ClosingGoesThroughTheInterrupter) {
  DlgBeforeVideo dialog(parent, "m", false, true, true, true, &play, &interrupter);
  interrupter.answer = false;
  runScripted(dialog, [&](wxDialog&) {
    EXPECT_FALSE(dialog.Close());
    EXPECT_TRUE(dialog.IsModal());
    interrupter.answer = true;
    EXPECT_TRUE(dialog.Close());
  });
  EXPECT_EQ(interrupter.asked.size(), 2u);
  EXPECT_FALSE(dialog.answered);
  EXPECT_EQ(dialog.key, 0);
}

std::wstring clipboardText() {
  wxClipboardLocker locker;
  if (!locker) return L"<no clipboard>";
  wxTextDataObject data;
  if (!wxTheClipboard->GetData(data)) return L"<no text>";
  return data.GetText().ToStdWstring();
}

TEST_F(InstructionsDialogTest, SendArchiveOffersTheAddressAndTheArchive) {
  vixo_test::TempFolder temp;
  const std::string archive = temp / "faces.vixo.archives/lab-pc Jana 2024-05-02.vixores";
  const std::wstring archivePath = fromUtf8(archive);
  DlgSendArchive dialog(parent, L"results@lab.example.org", archivePath);
  EXPECT_EQ(dialog.GetTitle(), "Please, send results");
  EXPECT_EQ(dialog.addressLink->GetLabel(), "results@lab.example.org");
  EXPECT_EQ(dialog.addressLink->GetURL(), "mailto:results@lab.example.org");
  EXPECT_EQ(dialog.archivePathText->GetValue().ToStdWstring(), archivePath);
  EXPECT_FALSE(dialog.archivePathText->IsEditable());

  std::unique_ptr<vixo_test::FakeFileManager> files;
  // The test script runs the tests with a session bus; without one the file manager is left out.
  if (std::getenv("DBUS_SESSION_BUS_ADDRESS")) {
    files = std::make_unique<vixo_test::FakeFileManager>();
    ASSERT_TRUE(files->running());
  }
  runScripted(dialog, [&](wxDialog&) {
    click(dialog.copyAddressButton);
    EXPECT_EQ(clipboardText(), L"results@lab.example.org");
    click(dialog.copyPathButton);
    EXPECT_EQ(clipboardText(), archivePath);
    EXPECT_TRUE(dialog.IsModal());
    if (files) {
      click(dialog.openInExplorerButton);
      for (int i = 0; i < 50 && files->shown().empty(); ++i) vixo_test::settle(20);
      ASSERT_EQ(files->shown().size(), 1u);
      EXPECT_EQ(files->shown()[0], "file://" + temp.path() +
                                       "/faces.vixo.archives/lab-pc%20Jana%202024-05-02.vixores");
      EXPECT_TRUE(dialog.IsModal());
    }
    click(dialog.okButton);
  });
}

}  // namespace
