// The DSIS, DSCQS and custom-question voting dialogs, worked with real keys and clicks inside
// their modal loops, the close that goes through the interrupter, and the list of displays.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/display.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "player/dlg_voting_custom.h"
#include "player/dlg_voting_dscqs.h"
#include "player/dlg_voting_dsis.h"
#include "player/list_displays.h"
#include "run_dialog_fixture.h"
#include "task/custom_question.h"

namespace {

using vixo_test::click;
using vixo_test::runScripted;
using vixo_test::sendKey;

class VotingDialogTest : public vixo_test::RunDialogTest {};

TEST_F(VotingDialogTest, DsisOpensAtThreeAndTheGradeKeysMoveTheSlider) {
  DlgVotingDSIS dialog(parent, &interrupter);
  EXPECT_EQ(dialog.GetTitle(), "Give your mark (DSIS method)");
  EXPECT_EQ(dialog.mark->get(), 3);
  EXPECT_EQ(dialog.choiceValueLabel->GetLabel(), "3");

  // {key, grade after it}: the digits 1..5 of both keyboards set the grade; 0, 6, 9 and the
  // pad's 0 change nothing.
  const struct {
    int key;
    int grade;
  } rows[] = {{'5', 5},         {'0', 5}, {'1', 1},         {'6', 1}, {WXK_NUMPAD4, 4},
              {WXK_NUMPAD0, 4}, {'9', 4}, {WXK_NUMPAD2, 2}, {'3', 3}};
  runScripted(dialog, [&](wxDialog&) {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.key);
      sendKey(&dialog, row.key);
      EXPECT_EQ(dialog.mark->get(), row.grade);
      EXPECT_EQ(dialog.markSlider->GetValue(), row.grade);
      EXPECT_EQ(dialog.choiceValueLabel->GetLabel(), std::to_string(row.grade));
      EXPECT_TRUE(dialog.IsModal());  // a grade key leaves the dialog open
    }
    sendKey(&dialog, '5');
    click(dialog.okButton);
  });
  EXPECT_TRUE(dialog.buttonPressed);
  EXPECT_FALSE(dialog.watchAgain);
  EXPECT_EQ(dialog.mark->get(), 5);
}

TEST_F(VotingDialogTest, DsisWatchAgainAfterAGradeIsNoAnswer) {
  DlgVotingDSIS dialog(parent, &interrupter);
  runScripted(dialog, [&](wxDialog&) {
    sendKey(&dialog, '1');
    click(dialog.watchAgainButton);
  });
  EXPECT_TRUE(dialog.buttonPressed);
  EXPECT_TRUE(dialog.watchAgain);
}

TEST_F(VotingDialogTest, DscqsButtonsSetTheirFlags) {
  const struct {
    bool repeatButtons;
    const char* button;
    bool repeatA, repeatB;
  } rows[] = {
      {false, "OK", false, false},          {false, "Watch again", true, true},
      {true, "OK", false, false},           {true, "Repeat Seq. A", true, false},
      {true, "Repeat Seq. B", false, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(std::string(row.button) + (row.repeatButtons ? " type I" : " type II"));
    DlgVotingDSCQS dialog(parent, &interrupter, row.repeatButtons);
    wxButton* buttons[] = {dialog.okButton, dialog.watchAgainButton, dialog.repeatAButton,
                           dialog.repeatBButton};
    wxButton* pressed = nullptr;
    for (wxButton* b : buttons)
      if (b->GetLabel() == row.button) pressed = b;
    ASSERT_NE(pressed, nullptr);
    runScripted(dialog, [&](wxDialog&) { click(pressed); });
    EXPECT_TRUE(dialog.buttonPressed);
    EXPECT_EQ(dialog.repeatA, row.repeatA);
    EXPECT_EQ(dialog.repeatB, row.repeatB);
    // nobody touched the sliders
    EXPECT_EQ(dialog.markA->get(), 50);
    EXPECT_EQ(dialog.markB->get(), 50);
  }
}

TEST_F(VotingDialogTest, DscqsShowsTheButtonsOfItsTypeAndFollowsTheSliders) {
  {
    DlgVotingDSCQS dialog(parent, &interrupter, false);
    EXPECT_EQ(dialog.GetTitle(), "Give your mark (DSCQS method)");
    EXPECT_EQ(dialog.GetSize(), wxSize(403, 321));
    EXPECT_EQ(dialog.markALabel->GetLabel(), "A: 50");
    EXPECT_EQ(dialog.markBLabel->GetLabel(), "B: 50");
    dialog.markAVar->set(83);
    dialog.markBVar->set(7);
    EXPECT_EQ(dialog.markALabel->GetLabel(), "A: 83");
    EXPECT_EQ(dialog.markBLabel->GetLabel(), "B: 7");
    runScripted(dialog, [&](wxDialog&) {
      EXPECT_TRUE(dialog.watchAgainButton->IsShownOnScreen());
      EXPECT_FALSE(dialog.repeatAButton->IsShownOnScreen());
      EXPECT_FALSE(dialog.repeatBButton->IsShownOnScreen());
      // type II: the letters do nothing
      sendKey(&dialog, 'a');
      sendKey(&dialog, 'B');
      EXPECT_TRUE(dialog.IsModal());
      click(dialog.okButton);
    });
    EXPECT_FALSE(dialog.repeatA || dialog.repeatB);
    EXPECT_EQ(dialog.markA->get(), 83);
    EXPECT_EQ(dialog.markB->get(), 7);
  }
  // type I: either case of the letters acts as its repeat button
  const struct {
    int key;
    bool repeatA, repeatB;
  } keys[] = {{'a', true, false}, {'A', true, false}, {'b', false, true}, {'B', false, true}};
  for (const auto& row : keys) {
    SCOPED_TRACE(row.key);
    DlgVotingDSCQS dialog(parent, &interrupter, true);
    runScripted(dialog, [&](wxDialog&) {
      EXPECT_FALSE(dialog.watchAgainButton->IsShownOnScreen());
      EXPECT_TRUE(dialog.repeatAButton->IsShownOnScreen());
      EXPECT_TRUE(dialog.repeatBButton->IsShownOnScreen());
      sendKey(&dialog, row.key);
    });
    EXPECT_TRUE(dialog.buttonPressed);
    EXPECT_EQ(dialog.repeatA, row.repeatA);
    EXPECT_EQ(dialog.repeatB, row.repeatB);
  }
}

CustomQuestion question(const std::wstring& text, std::vector<std::wstring> variants) {
  CustomQuestion q;
  q.text = text;
  double rank = static_cast<double>(variants.size());
  for (auto& v : variants) q.variants.push_back({rank--, std::move(v)});
  return q;
}

TEST_F(VotingDialogTest, CustomQuestionWithVariants) {
  DlgVotingCustom dialog(parent,
                         question(L"How natural do the faces look?",
                                  {L"Natural", L"Slightly artificial", L"Artificial"}),
                         &interrupter);
  EXPECT_EQ(dialog.GetTitle(), "Give your mark");
  EXPECT_EQ(dialog.questionLabel->GetLabel(), "How natural do the faces look?");
  ASSERT_EQ(dialog.variantButtons.size(), 3u);
  EXPECT_EQ(dialog.variantButtons[1]->GetLabel(), "Slightly artificial");
  EXPECT_GE(dialog.GetSize().x, 400);
  runScripted(dialog, [&](wxDialog&) {
    EXPECT_FALSE(dialog.DlgVotingCustomStub::answerText->IsShown());
    for (wxRadioButton* b : dialog.variantButtons) {
      EXPECT_TRUE(b->IsShownOnScreen());
      EXPECT_FALSE(b->GetValue());  // none chosen at the start
    }
    EXPECT_FALSE(dialog.okButton->IsEnabled());
    click(dialog.variantButtons[2]);
    EXPECT_TRUE(dialog.variantButtons[2]->GetValue());
    EXPECT_EQ(dialog.answerIndex->get(), 2);
    EXPECT_TRUE(dialog.okButton->IsEnabled());
    click(dialog.variantButtons[0]);
    EXPECT_FALSE(dialog.variantButtons[2]->GetValue());
    EXPECT_EQ(dialog.answerIndex->get(), 0);
    EXPECT_TRUE(dialog.okButton->IsEnabled());
    click(dialog.okButton);
  });
  EXPECT_TRUE(dialog.buttonPressed);
  EXPECT_FALSE(dialog.watchAgain);
  EXPECT_EQ(dialog.answerIndex->get(), 0);
  EXPECT_EQ(dialog.answerText->get(), "");
}

TEST_F(VotingDialogTest, CustomQuestionWithoutVariantsTakesText) {
  DlgVotingCustom dialog(parent, question(L"Describe the artefacts you saw", {}), &interrupter);
  wxTextCtrl* field = dialog.DlgVotingCustomStub::answerText;
  EXPECT_TRUE(dialog.variantButtons.empty());
  runScripted(dialog, [&](wxDialog&) {
    EXPECT_TRUE(field->IsShownOnScreen());
    EXPECT_FALSE(dialog.okButton->IsEnabled());
    click(field);
    for (char c : std::string("blocky")) sendKey(field, c);
    EXPECT_EQ(field->GetValue(), "blocky");
    EXPECT_EQ(dialog.answerText->get(), "blocky");
    EXPECT_TRUE(dialog.okButton->IsEnabled());
    for (int i = 0; i < 6; ++i) sendKey(field, WXK_BACK);
    EXPECT_EQ(dialog.answerText->get(), "");
    EXPECT_FALSE(dialog.okButton->IsEnabled());
    for (char c : std::string("edges")) sendKey(field, c);
    click(dialog.okButton);
  });
  EXPECT_TRUE(dialog.buttonPressed);
  EXPECT_EQ(dialog.answerIndex->get(), -1);
  EXPECT_EQ(dialog.answerText->get(), "edges");
  EXPECT_EQ(dialog.answerTextNarrow(), "edges");
}

TEST_F(VotingDialogTest, CustomWatchAgainAfterAChoiceIsNoAnswer) {
  DlgVotingCustom dialog(parent, question(L"Better?", {L"Yes", L"No"}), &interrupter);
  runScripted(dialog, [&](wxDialog&) {
    click(dialog.variantButtons[1]);
    click(dialog.watchAgainButton);
  });
  EXPECT_TRUE(dialog.buttonPressed);
  EXPECT_TRUE(dialog.watchAgain);
}

// ---------------------------------------------------------------- closing through the interrupter

// A voting dialog of one kind, with what the close must leave unchanged.
struct DialogCase {
  const char* name;
  std::function<std::unique_ptr<wxDialog>(wxWindow*, TestInterrupter*)> make;
  std::function<bool(wxDialog&)> pressed;  // its buttonPressed
};

std::vector<DialogCase> dialogCases() {
  return {
      {"DSIS",
       [](wxWindow* p, TestInterrupter* i) { return std::make_unique<DlgVotingDSIS>(p, i); },
       [](wxDialog& d) { return static_cast<DlgVotingDSIS&>(d).buttonPressed; }},
      {"DSCQS",
       [](wxWindow* p, TestInterrupter* i) { return std::make_unique<DlgVotingDSCQS>(p, i, true); },
       [](wxDialog& d) {
         auto& v = static_cast<DlgVotingDSCQS&>(d);
         return v.buttonPressed || v.repeatA || v.repeatB;
       }},
      {"Custom",
       [](wxWindow* p, TestInterrupter* i) {
         return std::make_unique<DlgVotingCustom>(p, question(L"Q", {L"a", L"b"}), i);
       },
       [](wxDialog& d) {
         auto& v = static_cast<DlgVotingCustom&>(d);
         return v.buttonPressed || v.watchAgain;
       }},
  };
}

TEST_F(VotingDialogTest, ACloseAsksTheInterrupterAndContinuingKeepsTheDialog) {
  for (const DialogCase& c : dialogCases()) {
    SCOPED_TRACE(c.name);
    auto dialog = c.make(parent, &interrupter);
    interrupter = {};
    runScripted(*dialog, [&](wxDialog& shown) {
      interrupter.answer = false;  // "Continue test"
      EXPECT_FALSE(shown.Close());
      vixo_test::settle();
      EXPECT_TRUE(shown.IsModal());
      ASSERT_EQ(interrupter.asked.size(), 1u);
      EXPECT_EQ(interrupter.asked[0], &shown);
      interrupter.answer = true;  // stop the test
      EXPECT_TRUE(shown.Close());
    });
    EXPECT_EQ(interrupter.asked.size(), 2u);
    EXPECT_EQ(interrupter.forced, 0);
    EXPECT_FALSE(c.pressed(*dialog));
  }
}

TEST_F(VotingDialogTest, ACloseThatCannotBeRefusedForcesTheStop) {
  for (const DialogCase& c : dialogCases()) {
    SCOPED_TRACE(c.name);
    auto dialog = c.make(parent, &interrupter);
    interrupter = {};
    runScripted(*dialog, [&](wxDialog& shown) { shown.Close(true); });
    EXPECT_TRUE(interrupter.asked.empty());
    EXPECT_EQ(interrupter.forced, 1);
    EXPECT_FALSE(c.pressed(*dialog));
  }
}

// ---------------------------------------------------------------- displays

TEST(ListDisplays, TextsOfNamedAndUnnamedDisplays) {
  EXPECT_EQ(displayText("DELL U2415", 0, wxRect(0, 0, 1920, 1200)),
            wxString::FromUTF8("DELL U2415 (1920\u00d71200)"));
  EXPECT_EQ(displayText("", 1, wxRect(1920, 0, 1280, 1024)),
            wxString::FromUTF8("Display 2 (1280\u00d71024)"));
}

TEST(ListDisplays, OneTextPerDisplayOfTheScreen) {
  const wxArrayString names = listDisplays();
  ASSERT_EQ(names.size(), wxDisplay::GetCount());
  for (unsigned i = 0; i < names.size(); ++i) {
    const wxDisplay display(i);
    const wxRect g = display.GetGeometry();
    const wxString size =
        wxString::Format(" (%d", g.width) + wxUniChar(0xD7) + wxString::Format("%d)", g.height);
    EXPECT_TRUE(names[i].EndsWith(size)) << names[i];
    if (display.GetName().empty()) {
      EXPECT_EQ(names[i], wxString::Format("Display %u", i + 1) + size);
    }
  }
}

}  // namespace
