// The SAMVIQ voting dialog walked through its states with real clicks and keys: marking the
// sequence just watched, choosing another one, changing a mark, the reference, and the end of
// a group.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include <map>
#include <string>
#include <vector>

#include "player/dlg_voting_samviq.h"
#include "run_dialog_fixture.h"

namespace {

using vixo_test::click;
using vixo_test::runScripted;
using Panel = DlgVotingSAMVIQ::SAMVIQmark;

class SamviqDialogTest : public vixo_test::RunDialogTest {
 protected:
  // Ten steps per Page key.
  static void slideBy(DlgVotingSAMVIQ& dialog, int tens) {
    vixo_test::pageSlider(dialog.markSlider, tens);
  }

  static void expectPanel(Panel* panel, const std::string& mark, const std::string& old) {
    EXPECT_EQ(panel->markLabel->GetLabel(), mark);
    EXPECT_EQ(panel->oldMarkLabel->GetLabel(), old);
  }

  const std::vector<int> order{7, 3, 5};
};

TEST_F(SamviqDialogTest, FirstViewingMarksTheSequenceJustWatched) {
  std::map<int, int> marks;
  DlgVotingSAMVIQ dialog(parent, &interrupter, order, marks, 0, false);
  EXPECT_EQ(dialog.GetTitle(), "Give your mark (SAMVIQ method)");
  EXPECT_EQ(dialog.nextButton->GetLabel(), "Next step");
  ASSERT_EQ(dialog.markPanels.size(), 3u);
  EXPECT_EQ(dialog.referencePanel->sequenceRadio->GetLabel(), "Reference");
  EXPECT_EQ(dialog.markPanels[1]->sequenceRadio->GetLabel(), "B");
  expectPanel(dialog.referencePanel, "", "");
  expectPanel(dialog.markPanels[0], "mark not set", "");
  expectPanel(dialog.markPanels[1], "mark not set", "");
  EXPECT_EQ(marks, (std::map<int, int>{{7, 50}}));  // the sequence just watched holds 50
  EXPECT_EQ(dialog.currentSequenceValueLabel->GetLabel(), "A");
  EXPECT_EQ(dialog.selected->get(), 0);
  EXPECT_TRUE(dialog.editing->get());
  EXPECT_EQ(dialog.changingPosition, 0);

  runScripted(dialog, [&](wxDialog&) {
    // only the selected sequence's radio button is on
    EXPECT_TRUE(dialog.markPanels[0]->sequenceRadio->GetValue());
    EXPECT_FALSE(dialog.markPanels[1]->sequenceRadio->GetValue());
    EXPECT_FALSE(dialog.markPanels[2]->sequenceRadio->GetValue());
    EXPECT_FALSE(dialog.referencePanel->sequenceRadio->GetValue());
    EXPECT_TRUE(dialog.markSlider->IsEnabled());
    EXPECT_EQ(dialog.markSlider->GetValue(), 50);
    EXPECT_FALSE(dialog.nextButton->IsEnabled());  // B and C still unmarked

    slideBy(dialog, 2);
    EXPECT_EQ(dialog.markSlider->GetValue(), 70);
    expectPanel(dialog.markPanels[0], "new mark: 70", "");
    EXPECT_EQ(marks[7], 70);

    // choosing B ends the change of A
    click(dialog.markPanels[1]->sequenceRadio);
    EXPECT_EQ(dialog.selected->get(), 1);
    EXPECT_TRUE(dialog.markPanels[1]->sequenceRadio->GetValue());
    EXPECT_FALSE(dialog.markPanels[0]->sequenceRadio->GetValue());
    expectPanel(dialog.markPanels[0], "mark: 70", "");
    EXPECT_EQ(dialog.currentSequenceValueLabel->GetLabel(), "B");
    EXPECT_EQ(dialog.markSlider->GetValue(), 50);
    EXPECT_FALSE(dialog.markSlider->IsEnabled());
    EXPECT_FALSE(dialog.changeMarkButton->IsEnabled());  // B has no mark

    // back to A: the slider shows its mark, and "Change mark" is offered
    click(dialog.markPanels[0]->sequenceRadio);
    EXPECT_EQ(dialog.markSlider->GetValue(), 70);
    EXPECT_FALSE(dialog.markSlider->IsEnabled());
    EXPECT_TRUE(dialog.changeMarkButton->IsEnabled());

    // the reference is watched, never marked
    click(dialog.referencePanel->sequenceRadio);
    EXPECT_EQ(dialog.selected->get(), -1);
    EXPECT_EQ(dialog.currentSequenceValueLabel->GetLabel(), "Reference");
    EXPECT_FALSE(dialog.changeMarkButton->IsEnabled());
    EXPECT_FALSE(dialog.markSlider->IsEnabled());

    click(dialog.markPanels[2]->sequenceRadio);
    click(dialog.watchVideoButton);
  });
  EXPECT_TRUE(dialog.buttonPressed);
  EXPECT_FALSE(dialog.nextStep);
  EXPECT_EQ(dialog.selected->get(), 2);
  EXPECT_EQ(marks, (std::map<int, int>{{7, 70}}));
}

TEST_F(SamviqDialogTest, WatchingAgainShowsTheOldMarkWhileChanging) {
  std::map<int, int> marks{{7, 60}, {3, 20}};
  DlgVotingSAMVIQ dialog(parent, &interrupter, order, marks, 0, false);
  expectPanel(dialog.markPanels[0], "mark: 60", "");
  expectPanel(dialog.markPanels[1], "mark: 20", "");
  expectPanel(dialog.markPanels[2], "mark not set", "");
  runScripted(dialog, [&](wxDialog&) {
    // the slider opens at 50 whatever the mark; the map keeps 60 until the slider moves
    EXPECT_EQ(dialog.markSlider->GetValue(), 50);
    EXPECT_EQ(marks[7], 60);
    slideBy(dialog, -1);
    expectPanel(dialog.markPanels[0], "new mark: 40", "old mark: 60");
    EXPECT_EQ(marks[7], 40);

    // "Change mark" on B: its old mark shows once the slider moves
    click(dialog.markPanels[1]->sequenceRadio);
    expectPanel(dialog.markPanels[0], "mark: 40", "");
    EXPECT_EQ(dialog.markSlider->GetValue(), 20);
    EXPECT_FALSE(dialog.markSlider->IsEnabled());
    click(dialog.changeMarkButton);
    EXPECT_TRUE(dialog.markSlider->IsEnabled());
    EXPECT_TRUE(dialog.IsModal());
    slideBy(dialog, 3);
    expectPanel(dialog.markPanels[1], "new mark: 50", "old mark: 20");
    EXPECT_EQ(marks[3], 50);
    click(dialog.referencePanel->sequenceRadio);
    expectPanel(dialog.markPanels[1], "mark: 50", "");
    // C, never marked and not the one just watched, keeps the group open
    EXPECT_FALSE(dialog.nextButton->IsEnabled());
    click(dialog.watchVideoButton);
  });
  EXPECT_FALSE(dialog.nextStep);
  EXPECT_EQ(dialog.selected->get(), -1);
  EXPECT_EQ(marks, (std::map<int, int>{{7, 40}, {3, 50}}));
}

TEST_F(SamviqDialogTest, LeavingAnUntouchedSequenceShowsTheMarkItKeeps) {
  std::map<int, int> marks;
  DlgVotingSAMVIQ dialog(parent, &interrupter, order, marks, 2, false);
  runScripted(dialog, [&](wxDialog&) {
    click(dialog.markPanels[0]->sequenceRadio);
    // the sequence keeps the 50 it was given; its panel says so, not "-1"
    expectPanel(dialog.markPanels[2], "mark: 50", "");
    click(dialog.watchVideoButton);
  });
  EXPECT_EQ(marks, (std::map<int, int>{{5, 50}}));
}

TEST_F(SamviqDialogTest, TheLastButtonEndsTheGroupOnceEverySequenceIsMarked) {
  const struct {
    std::vector<int> order;
    std::map<int, int> marks;
    int current;
    bool last;
    bool enabled;
    const char* label;
  } rows[] = {
      {{4}, {}, 0, false, true, "Next step"},  // a group of one
      {{7, 3, 5}, {{7, 10}, {3, 90}}, 2, true, true, "Finish task"},
      {{7, 3, 5}, {{7, 10}, {3, 90}}, -1, true, false, "Finish task"},  // C unmarked
      {{7, 3, 5}, {{7, 10}, {5, 90}}, 2, false, false, "Next step"},    // B unmarked
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.current);
    std::map<int, int> marks = row.marks;
    DlgVotingSAMVIQ dialog(parent, &interrupter, row.order, marks, row.current, row.last);
    EXPECT_EQ(dialog.nextButton->GetLabel(), row.label);
    EXPECT_EQ(dialog.nextButton->IsEnabled(), row.enabled);
    EXPECT_EQ(dialog.editing->get(), row.current >= 0);
    if (!row.enabled) continue;
    runScripted(dialog, [&](wxDialog&) { click(dialog.nextButton); });
    EXPECT_TRUE(dialog.nextStep);
    EXPECT_TRUE(dialog.buttonPressed);
  }
}

TEST_F(SamviqDialogTest, AfterTheReferenceNothingIsBeingChanged) {
  std::map<int, int> marks{{7, 30}};
  DlgVotingSAMVIQ dialog(parent, &interrupter, order, marks, -1, false);
  EXPECT_EQ(dialog.currentSequenceValueLabel->GetLabel(), "Reference");
  EXPECT_FALSE(dialog.editing->get());
  EXPECT_FALSE(dialog.changeMarkButton->IsEnabled());
  runScripted(dialog, [&](wxDialog&) {
    EXPECT_TRUE(dialog.referencePanel->sequenceRadio->GetValue());
    EXPECT_FALSE(dialog.markSlider->IsEnabled());
    interrupter.answer = false;
    EXPECT_FALSE(dialog.Close());
    EXPECT_TRUE(dialog.IsModal());
    interrupter.answer = true;
    dialog.Close();
  });
  EXPECT_FALSE(dialog.buttonPressed);
  EXPECT_FALSE(dialog.nextStep);
  EXPECT_EQ(marks, (std::map<int, int>{{7, 30}}));
}

}  // namespace
