// Screenshots of the dialogs of a run as an observer sees them during a pass, for a person to
// look at (build/test/screenshots/run_*.png).
#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/radiobut.h>
#include <wx/slider.h>

#include <map>
#include <string>
#include <vector>

#include "player/dlg_before_video.h"
#include "player/dlg_send_archive.h"
#include "player/dlg_voting_custom.h"
#include "player/dlg_voting_dscqs.h"
#include "player/dlg_voting_dsis.h"
#include "player/dlg_voting_samviq.h"
#include "player/dlg_voting_scacj.h"
#include "player/dlg_voting_scacj_bin.h"
#include "run_dialog_fixture.h"
#include "support/screenshot.h"
#include "task/custom_question.h"

namespace {

class RunDialogScreenshots : public vixo_test::RunDialogTest {
 protected:
  // Saves the screenshot and checks that something was drawn: more than one colour.
  static void shoot(wxDialog& dialog, const std::string& name) {
    dialog.Show();
    const std::string path = vixo_test::saveScreenshot(&dialog, name);
    ASSERT_FALSE(path.empty());
    wxImage image(path);
    ASSERT_TRUE(image.IsOk());
    EXPECT_EQ(image.GetSize(), dialog.GetSize());
  }
};

TEST_F(RunDialogScreenshots, VotingDialogsWithMarksGiven) {
  {
    DlgVotingDSIS dialog(parent, &interrupter);
    dialog.markVar->set(4);
    shoot(dialog, "run_dsis");
  }
  {
    DlgVotingDSCQS dialog(parent, &interrupter, true);
    dialog.markAVar->set(72);
    dialog.markBVar->set(38);
    shoot(dialog, "run_dscqs_type1");
  }
  {
    DlgVotingDSCQS dialog(parent, &interrupter, false);
    dialog.markAVar->set(64);
    shoot(dialog, "run_dscqs_type2");
  }
  {
    CustomQuestion q;
    q.text =
        L"How natural do the faces in the second video look compared with the first one? "
        L"Think of skin texture and of the edges around the eyes.";
    q.variants = {
        {3, L"Just as natural"}, {2, L"Slightly less natural"}, {1, L"Clearly artificial"}};
    DlgVotingCustom dialog(parent, q, &interrupter);
    dialog.variantButtons[1]->SetValue(true);
    dialog.answerIndex->set(1);
    shoot(dialog, "run_custom_variants");
  }
  {
    CustomQuestion q;
    q.text = L"Describe the artefacts you noticed, if any.";
    DlgVotingCustom dialog(parent, q, &interrupter);
    dialog.answerText->set("Blocking on the dark background during the fast pan.");
    shoot(dialog, "run_custom_text");
  }
  {
    DlgVotingSCACJ dialog(parent, &interrupter);
    dialog.markVar->set(-2);
    shoot(dialog, "run_scacj");
  }
  {
    DlgVotingSCACJbin dialog(parent, &interrupter);
    dialog.choose(1);
    shoot(dialog, "run_scacj_binary");
  }
}

TEST_F(RunDialogScreenshots, SamviqDuringAGroup) {
  const std::vector<int> order{4, 1, 6, 2, 9};
  std::map<int, int> marks{{4, 81}, {1, 35}, {2, 60}};
  DlgVotingSAMVIQ dialog(parent, &interrupter, order, marks, 3, false);
  dialog.markSlider->SetValue(44);
  dialog.setMark(44);
  shoot(dialog, "run_samviq");
}

TEST_F(RunDialogScreenshots, InstructionsAndSendArchive) {
  const Task task = vixo_test::fortyFileTask("DSCQS I");
  vixo_test::CountedPlay play(task, 11);
  {
    DlgBeforeVideo dialog(parent,
                          L"You will see two sequences, A and B. Watch both, then give each of "
                          L"them a mark.\nChoose the sequence to watch first.",
                          true, false, true, true, &play, &interrupter);
    shoot(dialog, "run_before_video_choose");
  }
  {
    DlgBeforeVideo dialog(parent, L"Please watch the video and remember its quality.", false, true,
                          true, true, &play, &interrupter);
    shoot(dialog, "run_before_video_start");
  }
  {
    DlgSendArchive dialog(parent, L"results@lab.example.org",
                          L"/home/lab/tasks/faces.vixo.archives/lab-pc Jana 2024-05-02 "
                          L"10-31-07.vixores");
    shoot(dialog, "run_send_archive");
  }
}

}  // namespace
