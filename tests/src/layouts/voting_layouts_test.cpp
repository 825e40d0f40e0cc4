// The layouts of the voting dialogs (DSIS, DSCQS, custom question, SCACJ, SCACJ binary choice,
// SAMVIQ and its mark panel), built on real windows.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/panel.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/slider.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "layout_fixture.h"
#include "layouts/dlg_voting_custom_stub.h"
#include "layouts/dlg_voting_dscqs_stub.h"
#include "layouts/dlg_voting_dsis_stub.h"
#include "layouts/dlg_voting_samviq_stub.h"
#include "layouts/dlg_voting_scacj_bin_stub.h"
#include "layouts/dlg_voting_scacj_stub.h"
#include "layouts/samviq_mark_stub.h"
#include "support/layout_text.h"
#include "support/screenshot.h"

#include <utility>

namespace {

using vixo_test::block;
using vixo_test::centredPosition;
using vixo_test::escapedLabel;
using vixo_test::expectOpening;
using vixo_test::kDialogStyle;
using vixo_test::LayoutText;

class VotingLayoutTest : public vixo_test::LayoutTest {};

// Windows of one parent that must stand from top to bottom in this order.
void expectTopToBottom(std::initializer_list<wxWindow*> windows) {
  int previous = -1;
  for (wxWindow* window : windows) {
    const int y = window->GetPosition().y;
    EXPECT_GT(y, previous) << window->GetLabel();
    previous = y;
  }
}

// The labels of the quality scale beside the DSCQS and SAMVIQ sliders.
const char* const kScaleLabels = R"x(scale100Label: wxStaticText in scalePanel "100" style=0
scale80Label: wxStaticText in scalePanel "80" style=0
scale60Label: wxStaticText in scalePanel "60" style=0
scale40Label: wxStaticText in scalePanel "40" style=0
scale20Label: wxStaticText in scalePanel "20" style=0
scale0Label: wxStaticText in scalePanel "0" style=0
excellentLabel: wxStaticText in scalePanel "Excellent" style=0
goodLabel: wxStaticText in scalePanel "Good" style=0
fairLabel: wxStaticText in scalePanel "Fair" style=0
poorLabel: wxStaticText in scalePanel "Poor" style=0
badLabel: wxStaticText in scalePanel "Bad" style=0)x";

// The numbers and the words of the quality scale beside the DSCQS and SAMVIQ sliders: the
// numbers spread from top to bottom, the words at the middles of five equal bands.
const char* const kScaleColumns = R"x(        box V 0 0x20C0 5
          scale100Label 0 0x30 5
          spacer 0x0 1 0x2000 5
          scale80Label 0 0x30 5
          spacer 0x0 1 0x2000 5
          scale60Label 0 0x30 5
          spacer 0x0 1 0x2000 5
          scale40Label 0 0x30 5
          spacer 0x0 1 0x2000 5
          scale20Label 0 0x30 5
          spacer 0x0 1 0x2000 5
          scale0Label 0 0x30 5
        box V 1 0x20C0 5
          spacer 0x8 0 0 5
          spacer 0x0 1 0x2000 5
          excellentLabel 0 0x30 5
          spacer 0x0 2 0x2000 5
          goodLabel 0 0x30 5
          spacer 0x0 2 0x2000 5
          fairLabel 0 0x30 5
          spacer 0x0 2 0x2000 5
          poorLabel 0 0x30 5
          spacer 0x0 2 0x2000 5
          badLabel 0 0x30 5
          spacer 0x0 1 0x2000 5
          spacer 0x8 0 0 5)x";

// ---------------------------------------------------------------- DSIS

TEST_F(VotingLayoutTest, DsisDialogTree) {
  auto* w = keep(new DlgVotingDSISstub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, instructionLabel), MEMBER(*w, scalePanel), MEMBER(*w, scaleCaptionLabel),
       MEMBER(*w, markSlider), MEMBER(*w, grade5Label), MEMBER(*w, grade4Label),
       MEMBER(*w, grade3Label), MEMBER(*w, grade2Label), MEMBER(*w, grade1Label),
       MEMBER(*w, choiceCaptionLabel), MEMBER(*w, choiceValueLabel), MEMBER(*w, watchAgainButton),
       MEMBER(*w, okButton)});
  EXPECT_EQ(text.members(), block(R"x(
instructionLabel: wxStaticText in dialog "Please, vote on the impared video, keeping in mind the reference one" style=0
scalePanel: wxPanel in dialog style=0x10080000
scaleCaptionLabel: wxStaticText in scalePanel "Imparements are:" style=0
markSlider: wxSlider in scalePanel value=3 range=1..5 style=0x1008
grade5Label: wxStaticText in scalePanel "5, Imperceptible" style=0
grade4Label: wxStaticText in scalePanel "4, Perceptible, but not annoying" style=0
grade3Label: wxStaticText in scalePanel "3, Slightly annoying" style=0
grade2Label: wxStaticText in scalePanel "2, Annoying" style=0
grade1Label: wxStaticText in scalePanel "1, Very annoying" style=0
choiceCaptionLabel: wxStaticText in scalePanel "Your choice:" style=0
choiceValueLabel: wxStaticText in scalePanel "3" style=0x200 min=14x-1
watchAgainButton: wxButton in dialog "Watch again" style=0
okButton: wxButton in dialog "OK" style=0 default
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  instructionLabel 0 0xF0 5
  scalePanel 1 0x20F0 5
    box V
      scaleCaptionLabel 0 0xF0 5
      box H 0 0x100 5
        markSlider 0 0x2030 5
        spacer 20x0 0 0 5
        box V 0 0x2000 5
          grade5Label 0 0xF0 5
          spacer 0x0 1 0x2000 5
          grade4Label 0 0xF0 5
          spacer 0x0 1 0x2000 5
          grade3Label 0 0xF0 5
          spacer 0x0 1 0x2000 5
          grade2Label 0 0xF0 5
          spacer 0x0 1 0x2000 5
          grade1Label 0 0xF0 5
      box H 0 0 5
        choiceCaptionLabel 0 0xF0 5
        choiceValueLabel 0 0xF0 5
  box H 0 0x2000 5
    spacer 0x0 1 0x2000 5
    watchAgainButton 0 0xF0 5
    spacer 0x0 1 0x2000 5
    okButton 0 0xF0 5
    spacer 0x0 1 0x2000 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(VotingLayoutTest, DsisDialogFitsItsContent) {
  auto* w = keep(new DlgVotingDSISstub(nullptr));
  expectOpening(w, "Give your mark (DSIS method)", kDialogStyle);  // no resize border
  expectTopToBottom(
      {w->grade5Label, w->grade4Label, w->grade3Label, w->grade2Label, w->grade1Label});
  vixo_test::saveScreenshot(w, "voting_dsis");
}

// ---------------------------------------------------------------- DSCQS

TEST_F(VotingLayoutTest, DscqsDialogTree) {
  auto* w = keep(new DlgVotingDSCQSstub(nullptr));
  const LayoutText text(w, "dialog", {MEMBER(*w, instructionLabel),   MEMBER(*w, scalePanel),
                                      MEMBER(*w, markSliderA),        MEMBER(*w, markSliderB),
                                      MEMBER(*w, scale100Label),      MEMBER(*w, scale80Label),
                                      MEMBER(*w, scale60Label),       MEMBER(*w, scale40Label),
                                      MEMBER(*w, scale20Label),       MEMBER(*w, scale0Label),
                                      MEMBER(*w, excellentLabel),     MEMBER(*w, goodLabel),
                                      MEMBER(*w, fairLabel),          MEMBER(*w, poorLabel),
                                      MEMBER(*w, badLabel),           MEMBER(*w, markALabel),
                                      MEMBER(*w, markBLabel),         MEMBER(*w, watchAgainButton),
                                      MEMBER(*w, repeatButtonsSizer), MEMBER(*w, repeatAButton),
                                      MEMBER(*w, repeatBButton),      MEMBER(*w, okButton)});
  EXPECT_EQ(text.members(), block(R"x(
instructionLabel: wxStaticText in dialog "Please, vote on both videos" style=0
scalePanel: wxPanel in dialog style=0x10080000
markSliderA: wxSlider in scalePanel value=50 range=0..100 style=0x1008
markSliderB: wxSlider in scalePanel value=50 range=0..100 style=0x1008
{scaleLabels}
markALabel: wxStaticText in scalePanel "A: 100" style=0
markBLabel: wxStaticText in scalePanel "B: 100" style=0
watchAgainButton: wxButton in dialog "Watch again" style=0
repeatButtonsSizer: wxBoxSizer
repeatAButton: wxButton in dialog "Repeat Seq. A" style=0
repeatBButton: wxButton in dialog "Repeat Seq. B" style=0
okButton: wxButton in dialog "OK" style=0 default
)x",
                                  {{"{scaleLabels}", kScaleLabels}}));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  instructionLabel 0 0xF0 5
  scalePanel 1 0x20F0 5
    box V
      flex rows=0 cols=6 gap=0,0 growCols=- growRows=0 dir=both mode=specified 1 0x100 5
        markSliderA 0 0x2130 5
        spacer 5x0 1 0 5
        markSliderB 0 0x2130 5
        spacer 5x0 1 0 5
{scale}
        markALabel 0 0x1F0 5
        spacer 0x0 1 0x2000 5
        markBLabel 0 0x1F0 5
  box H 0 0x2000 5
    spacer 0x0 1 0x2000 5
    watchAgainButton 0 0xF0 5
    repeatButtonsSizer=box H 1 0x2000 5
      repeatAButton 0 0xF0 5
      spacer 0x0 1 0x2000 5
      repeatBButton 0 0xF0 5
    spacer 0x0 1 0x2000 5
    okButton 0 0xF0 5
    spacer 0x0 1 0x2000 5
)x",
                                 {{"{scale}", kScaleColumns}}));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(VotingLayoutTest, DscqsDialogKeepsItsSizeAndReadsTheScaleFromTheTop) {
  auto* w = keep(new DlgVotingDSCQSstub(nullptr));
  expectOpening(w, "Give your mark (DSCQS method)", kDialogStyle, wxSize(403, 321));
  expectTopToBottom({w->scale100Label, w->scale80Label, w->scale60Label, w->scale40Label,
                     w->scale20Label, w->scale0Label});
  expectTopToBottom({w->excellentLabel, w->goodLabel, w->fairLabel, w->poorLabel, w->badLabel});
  // The voting dialog shows either "Watch again" or the repeat buttons, the latter as a whole.
  w->GetSizer()->Hide(w->repeatButtonsSizer, true);
  w->Layout();
  EXPECT_FALSE(w->repeatAButton->IsShown());
  EXPECT_FALSE(w->repeatBButton->IsShown());
  EXPECT_TRUE(w->watchAgainButton->IsShown());
  vixo_test::saveScreenshot(w, "voting_dscqs");
  w->GetSizer()->Show(w->repeatButtonsSizer, true, true);
  w->GetSizer()->Hide(w->watchAgainButton, true);
  w->Layout();
  vixo_test::saveScreenshot(w, "voting_dscqs_repeat");
}

// ---------------------------------------------------------------- custom question

TEST_F(VotingLayoutTest, CustomQuestionDialogTree) {
  auto* w = keep(new DlgVotingCustomStub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, mainSizer), MEMBER(*w, questionLabel), MEMBER(*w, answersSizer),
       MEMBER(*w, answerText), MEMBER(*w, watchAgainButton), MEMBER(*w, okButton)});
  EXPECT_EQ(text.members(), block(R"x(
mainSizer: wxBoxSizer of dialog
questionLabel: wxStaticText in dialog "Custom question formula" style=0
answersSizer: wxBoxSizer
answerText: wxTextCtrl in dialog "" style=0x21 min=-1x80
watchAgainButton: wxButton in dialog "Watch again" style=0
okButton: wxButton in dialog "OK" style=0 default
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
mainSizer=box V
  questionLabel 0 0x20F0 5
  answersSizer=box V 1 0x2000 5
  answerText 1 0x20F0 5
  box H 0 0x2000 5
    spacer 0x0 1 0x2000 5
    watchAgainButton 0 0xF0 5
    spacer 0x0 1 0x2000 5
    okButton 0 0xF0 5
    spacer 0x0 1 0x2000 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(VotingLayoutTest, CustomQuestionDialogResizesButNeverBelowItsMinimumWidth) {
  auto* w = keep(new DlgVotingCustomStub(nullptr));
  EXPECT_EQ(w->GetTitle(), "Give your mark");
  EXPECT_EQ(w->GetWindowStyleFlag(), kDialogStyle | wxRESIZE_BORDER);
  EXPECT_EQ(w->GetSize().x, 400);
  EXPECT_EQ(w->GetMinSize(), wxSize(400, -1));
  EXPECT_EQ(w->GetPosition(), centredPosition(w->GetSize()));
  w->SetSize(200, 300);
  EXPECT_EQ(w->GetSize().x, 400);
  EXPECT_GE(w->answerText->GetSize().y, 80);
  vixo_test::saveScreenshot(w, "voting_custom");
}

// ---------------------------------------------------------------- SCACJ

TEST_F(VotingLayoutTest, ScacjDialogTree) {
  auto* w = keep(new DlgVotingSCACJstub(nullptr));
  const LayoutText text(w, "dialog",
                        {MEMBER(*w, instructionLabel),
                         MEMBER(*w, leftCirclePicture),
                         MEMBER(*w, leftMuchBetterLabel),
                         MEMBER(*w, leftBetterLabel),
                         MEMBER(*w, leftSlightlyBetterLabel),
                         MEMBER(*w, sameLabel),
                         MEMBER(*w, rightSlightlyBetterLabel),
                         MEMBER(*w, rightBetterLabel),
                         MEMBER(*w, rightMuchBetterLabel),
                         MEMBER(*w, markSlider),
                         MEMBER(*w, scaleMinus3Label),
                         MEMBER(*w, scaleMinus2Label),
                         MEMBER(*w, scaleMinus1Label),
                         MEMBER(*w, scale0Label),
                         MEMBER(*w, scale1Label),
                         MEMBER(*w, scale2Label),
                         MEMBER(*w, scale3Label),
                         MEMBER(*w, rightCirclePicture),
                         MEMBER(*w, circlesHintLabel),
                         MEMBER(*w, choiceCaptionLabel),
                         MEMBER(*w, choiceValueLabel),
                         MEMBER(*w, watchAgainButton),
                         MEMBER(*w, okButton)});
  // The negative numbers carry the minus sign U+2212 (UTF-8 E2 88 92). The fourteen scale
  // labels share one width: 70 pixels, or the widest word's where the font needs more.
  EXPECT_EQ(text.members(), block(R"x(
instructionLabel: wxStaticText in dialog "Please, move slider to the BETTER video\n(for example, choosing 1 means that the RIGHT picture is slighly better than the LEFT one)" style=0x900
leftCirclePicture: wxStaticBitmap in dialog bitmap=none style=0 min=48x48
leftMuchBetterLabel: wxStaticText in dialog "Much better" style=0x900 font=8pt face="Sans" min={width}x-1
leftBetterLabel: wxStaticText in dialog "Better" style=0x900 font=8pt face="Sans" min={width}x-1
leftSlightlyBetterLabel: wxStaticText in dialog "Slightly better" style=0x900 font=8pt face="Sans" min={width}x-1
sameLabel: wxStaticText in dialog "The same" style=0x900 font=8pt face="Sans" min={width}x-1
rightSlightlyBetterLabel: wxStaticText in dialog "Slighly better" style=0x900 font=8pt face="Sans" min={width}x-1
rightBetterLabel: wxStaticText in dialog "Better" style=0x900 font=8pt face="Sans" min={width}x-1
rightMuchBetterLabel: wxStaticText in dialog "Much better" style=0x900 font=8pt face="Sans" min={width}x-1
markSlider: wxSlider in dialog value=0 range=-3..3 style=0x404
scaleMinus3Label: wxStaticText in dialog "{minus}3" style=0x900 min={width}x-1
scaleMinus2Label: wxStaticText in dialog "{minus}2" style=0x900 min={width}x-1
scaleMinus1Label: wxStaticText in dialog "{minus}1" style=0x900 min={width}x-1
scale0Label: wxStaticText in dialog "0" style=0x900 min={width}x-1
scale1Label: wxStaticText in dialog "1" style=0x900 min={width}x-1
scale2Label: wxStaticText in dialog "2" style=0x900 min={width}x-1
scale3Label: wxStaticText in dialog "3" style=0x900 min={width}x-1
rightCirclePicture: wxStaticBitmap in dialog bitmap=none style=0 min=48x48
circlesHintLabel: wxStaticText in dialog "Circles symbolize your opinion on left and right video correspondingly\nRed circle meas that video is bad, and green means that video is good" style=0
choiceCaptionLabel: wxStaticText in dialog "Your choice:" style=0
choiceValueLabel: wxStaticText in dialog "22" style=0
watchAgainButton: wxButton in dialog "Watch again" style=0
okButton: wxButton in dialog "OK" style=0 default
)x",
                                  {{"{minus}", "\xE2\x88\x92"},
                                   {"{width}", std::to_string(w->sameLabel->GetMinSize().x)}}));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  instructionLabel 0 0x1F0 5
  spacer 0x15 0 0 5
  box H 1 0x2030 5
    leftCirclePicture 0 0x8F0 5
    box V 1 0x2000 5
      box H 0 0x2000 5
        leftMuchBetterLabel 0 0x40 5
        spacer 0x0 1 0x2000 5
        leftBetterLabel 0 0x40 5
        spacer 0x0 1 0x2000 5
        leftSlightlyBetterLabel 0 0x40 5
        spacer 0x0 1 0x2000 5
        sameLabel 0 0x40 5
        spacer 0x0 1 0x2000 5
        rightSlightlyBetterLabel 0 0x40 5
        spacer 0x0 1 0x2000 5
        rightBetterLabel 0 0x40 5
        spacer 0x0 1 0x2000 5
        rightMuchBetterLabel 0 0x40 5
      box H 1 0x2000 5
        spacer 20x0 0 0 5
        markSlider 1 0x8C0 5
        spacer 20x0 0 0 5
      box H 0 0x2000 5
        scaleMinus3Label 0 0x80 5
        spacer 0x0 1 0x2000 5
        scaleMinus2Label 0 0x80 5
        spacer 0x0 1 0x2000 5
        scaleMinus1Label 0 0x80 5
        spacer 0x0 1 0x2000 5
        scale0Label 0 0x80 5
        spacer 0x0 1 0x2000 5
        scale1Label 0 0x80 5
        spacer 0x0 1 0x2000 5
        scale2Label 0 0x80 5
        spacer 0x0 1 0x2000 5
        scale3Label 0 0x80 5
    rightCirclePicture 0 0x8F0 5
  circlesHintLabel 0 0x1F0 5
  spacer 0x15 0 0 5
  box H 0 0x2000 5
    box H 0 0x810 5
      choiceCaptionLabel 0 0xF0 5
      choiceValueLabel 0 0xF0 5
    spacer 0x0 1 0x2000 5
    watchAgainButton 0 0xF0 5
    okButton 0 0xF0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(VotingLayoutTest, ScacjScaleWordsAndNumbersShareTheirColumns) {
  auto* w = keep(new DlgVotingSCACJstub(nullptr));
  expectOpening(w, "Give your mark (SCACJ method)", kDialogStyle);
  EXPECT_GE(w->choiceValueLabel->GetContainingSizer()->GetSize().x, 120);
  const wxStaticText* words[] = {
      w->leftMuchBetterLabel,      w->leftBetterLabel,  w->leftSlightlyBetterLabel, w->sameLabel,
      w->rightSlightlyBetterLabel, w->rightBetterLabel, w->rightMuchBetterLabel};
  const wxStaticText* numbers[] = {w->scaleMinus3Label, w->scaleMinus2Label, w->scaleMinus1Label,
                                   w->scale0Label,      w->scale1Label,      w->scale2Label,
                                   w->scale3Label};
  w->SetClientSize(w->GetClientSize() + wxSize(140, 0));
  w->Layout();
  // Seven equal columns, at least 70 pixels wide and wide enough for every word.
  const int width = words[0]->GetSize().x;
  EXPECT_GE(width, 70);
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(words[i]->GetPosition().x, numbers[i]->GetPosition().x);
    EXPECT_EQ(words[i]->GetSize().x, width);
    EXPECT_EQ(numbers[i]->GetSize().x, width);
    EXPECT_GE(width, words[i]->GetBestSize().x);
  }
  const int gap = words[1]->GetPosition().x - words[0]->GetRect().GetRight();
  for (int i = 2; i < 7; ++i)
    EXPECT_NEAR(words[i]->GetPosition().x - words[i - 1]->GetRect().GetRight(), gap, 1);
  vixo_test::saveScreenshot(w, "voting_scacj");
}

// ---------------------------------------------------------------- SCACJ binary choice

TEST_F(VotingLayoutTest, ScacjBinaryChoiceDialogTree) {
  auto* w = keep(new DlgVotingSCACJbinStub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, instructionLabel), MEMBER(*w, leftChoicePanel), MEMBER(*w, leftChoiceLabel),
       MEMBER(*w, sameChoicePanel), MEMBER(*w, sameChoiceLabel), MEMBER(*w, rightChoicePanel),
       MEMBER(*w, rightChoiceLabel), MEMBER(*w, choiceCaptionLabel), MEMBER(*w, choiceValueLabel),
       MEMBER(*w, watchAgainButton), MEMBER(*w, okButton)});
  EXPECT_EQ(text.members(), block(R"x(
instructionLabel: wxStaticText in dialog "Please, choose BETTER image" style=0x900
leftChoicePanel: wxPanel in dialog style=0x2080000 min=120x120
leftChoiceLabel: wxStaticText in leftChoicePanel "Left" style=0
sameChoicePanel: wxPanel in dialog style=0x2080000 min=120x120
sameChoiceLabel: wxStaticText in sameChoicePanel "Difficult to\ndistinguish" style=0
rightChoicePanel: wxPanel in dialog style=0x2080000 min=120x120
rightChoiceLabel: wxStaticText in rightChoicePanel "Right" style=0
choiceCaptionLabel: wxStaticText in dialog "Your choice:" style=0
choiceValueLabel: wxStaticText in dialog "select left or right" style=0 font=9pt bold face="Arial"
watchAgainButton: wxButton in dialog "Watch again" style=0
okButton: wxButton in dialog "OK" style=0 disabled default
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  instructionLabel 0 0x170 5
  spacer 0x15 0 0 5
  flex rows=0 cols=3 gap=0,0 growCols=- growRows=- dir=both mode=specified 1 0x2000 5
    leftChoicePanel 0 0x9F0 20
      box V
        spacer 0x0 1 0x2000 5
        leftChoiceLabel 0 0x1F0 5
        spacer 0x0 1 0x2000 5
    sameChoicePanel 0 0x20C0 20
      box V
        spacer 0x0 1 0x2000 5
        sameChoiceLabel 0 0x1F0 5
        spacer 0x0 1 0x2000 5
    rightChoicePanel 0 0x9F0 20
      box V
        spacer 0x0 1 0x2000 5
        rightChoiceLabel 0 0x1F0 5
        spacer 0x0 1 0x2000 5
  spacer 0x15 0 0 5
  box H 0 0x2000 5
    box V 0 0x810 5
      choiceCaptionLabel 0 0x70 5
      choiceValueLabel 0 0xB0 5
    spacer 0x0 1 0x2000 5
    watchAgainButton 0 0x4F0 5
    okButton 0 0x4F0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(VotingLayoutTest, ScacjBinaryChoiceBoxesAreLargeAndTwentyPixelsApart) {
  auto* w = keep(new DlgVotingSCACJbinStub(nullptr));
  expectOpening(w, "Give your mark (SCACJ method)", kDialogStyle);
  for (wxPanel* box : {w->leftChoicePanel, w->sameChoicePanel, w->rightChoicePanel}) {
    EXPECT_GE(box->GetSize().x, 120);
    EXPECT_GE(box->GetSize().y, 120);
    EXPECT_GE(box->GetSizer()->GetMinSize().y, 120);
  }
  const wxRect left = w->leftChoicePanel->GetRect();
  const wxRect same = w->sameChoicePanel->GetRect();
  const wxRect right = w->rightChoicePanel->GetRect();
  EXPECT_EQ(same.x - (left.GetRight() + 1), 20);
  EXPECT_EQ(right.x - (same.GetRight() + 1), 20);
  // Each label sits in the middle of its box.
  const wxRect label = w->sameChoiceLabel->GetRect();
  EXPECT_NEAR(label.y + label.height / 2, same.height / 2, 1);
  EXPECT_NEAR(label.x + label.width / 2, same.width / 2, 1);
  EXPECT_GE(w->choiceValueLabel->GetContainingSizer()->GetSize().x, 120);
  vixo_test::saveScreenshot(w, "voting_scacj_binary");
}

// ---------------------------------------------------------------- SAMVIQ

TEST_F(VotingLayoutTest, SamviqDialogTree) {
  auto* w = keep(new DlgVotingSAMVIQstub(nullptr));
  const LayoutText text(w, "dialog",
                        {MEMBER(*w, mainSizer),
                         MEMBER(*w, instructionLabel),
                         MEMBER(*w, scalePanel),
                         MEMBER(*w, markSlider),
                         MEMBER(*w, scale100Label),
                         MEMBER(*w, scale80Label),
                         MEMBER(*w, scale60Label),
                         MEMBER(*w, scale40Label),
                         MEMBER(*w, scale20Label),
                         MEMBER(*w, scale0Label),
                         MEMBER(*w, excellentLabel),
                         MEMBER(*w, goodLabel),
                         MEMBER(*w, fairLabel),
                         MEMBER(*w, poorLabel),
                         MEMBER(*w, badLabel),
                         MEMBER(*w, finishHintLabel),
                         MEMBER(*w, referenceSizer),
                         MEMBER(*w, sequenceGridSizer),
                         MEMBER(*w, currentSequenceCaptionLabel),
                         MEMBER(*w, currentSequenceValueLabel),
                         MEMBER(*w, changeMarkButton),
                         MEMBER(*w, watchVideoButton),
                         MEMBER(*w, nextButton)});
  EXPECT_EQ(text.members(),
            block(R"x(
mainSizer: wxBoxSizer of dialog
instructionLabel: wxStaticText in dialog "Please, vote on the video that you have just watched (reference video is not evaluated)" style=0
scalePanel: wxPanel in dialog style=0x10080000
markSlider: wxSlider in scalePanel value=50 range=0..100 style=0x1008
{scaleLabels}
finishHintLabel: wxStaticText in dialog "{hint}" style=0
referenceSizer: wxBoxSizer
sequenceGridSizer: wxGridSizer
currentSequenceCaptionLabel: wxStaticText in dialog "Current sequence:" style=0
currentSequenceValueLabel: wxStaticText in dialog "MyLabel" style=0
changeMarkButton: wxButton in dialog "Change mark" style=0
watchVideoButton: wxButton in dialog "Watch video" style=0
nextButton: wxButton in dialog "Next" style=0
)x",
                  {{"{scaleLabels}", kScaleLabels}, {"{hint}", escapedLabel(w->finishHintLabel)}}));
  EXPECT_EQ(text.sizers(), block(R"x(
mainSizer=box V
  instructionLabel 0 0xF0 5
  scalePanel 0 0x1F0 5
    box V
      box H 1 0x100 5
        spacer 50x0 0 0 5
        markSlider 0 0x2030 5
{scale}
        spacer 50x0 0 0 5
  finishHintLabel 0 0xF0 5
  box H 1 0x2000 5
    referenceSizer=box V 0 0 5
    sequenceGridSizer=grid rows=0 cols=4 gap=10,0 1 0x2000 5
  spacer 0x20 0 0 5
  box H 0 0x2000 5
    currentSequenceCaptionLabel 0 0x8F0 5
    currentSequenceValueLabel 0 0x8E0 5
    spacer 0x0 1 0x2000 5
    changeMarkButton 0 0xF0 5
    watchVideoButton 0 0xF0 5
    nextButton 0 0xF0 5
)x",
                                 {{"{scale}", kScaleColumns}}));
  EXPECT_EQ(text.unusualNames(), "");
  EXPECT_EQ(w->GetDefaultItem(), nullptr);
  wxString hint = w->finishHintLabel->GetLabel();
  hint.Replace("\n", " ");
  EXPECT_EQ(hint,
            "Now if you have ranked all the videos you can finish this task. If there are still "
            "some sequences left or you want to change your opinion on some sequence, choose a "
            "sequence below");
}

TEST_F(VotingLayoutTest, SamviqDialogTakesMarkPanelsInRowsOfFour) {
  auto* w = keep(new DlgVotingSAMVIQstub(nullptr));
  EXPECT_EQ(w->GetTitle(), "Give your mark (SAMVIQ method)");
  EXPECT_EQ(w->GetWindowStyleFlag(), kDialogStyle);
  EXPECT_EQ(w->GetMinSize(), wxSize(540, -1));
  EXPECT_GE(w->GetSize().x, 540);
  EXPECT_EQ(w->GetPosition(), centredPosition(w->GetSize()));
  EXPECT_GE(w->markSlider->GetContainingSizer()->GetSize().y, 180);
  expectTopToBottom({w->scale100Label, w->scale80Label, w->scale60Label, w->scale40Label,
                     w->scale20Label, w->scale0Label});
  // The hint breaks its lines at 500 pixels, whatever the dialog's width.
  EXPECT_LE(w->finishHintLabel->GetSize().x, 500);
  EXPECT_GT(w->finishHintLabel->GetLabel().Freq('\n'), 1);

  // As the voting dialog does: one reference panel and five sequence panels.
  const auto newMark = [w] {
    auto* mark = new SAMVIQmarkStub(w);
    mark->sequenceRadio->SetMinSize(mark->sequenceRadio->GetBestSize());  // fits its label
    mark->Layout();
    mark->mainSizer->Fit(mark);
    return mark;
  };
  w->referenceSizer->Add(newMark());
  std::vector<SAMVIQmarkStub*> marks;
  for (int i = 0; i < 5; ++i) {
    marks.push_back(newMark());
    w->sequenceGridSizer->Add(marks.back());
  }
  w->mainSizer->Fit(w);
  w->Layout();
  for (int i = 1; i < 4; ++i) EXPECT_EQ(marks[i]->GetPosition().y, marks[0]->GetPosition().y);
  EXPECT_EQ(marks[4]->GetPosition().x, marks[0]->GetPosition().x);
  EXPECT_EQ(marks[4]->GetPosition().y, marks[0]->GetRect().GetBottom() + 1 + 10);
  vixo_test::saveScreenshot(w, "voting_samviq");
}

// Rows of the slider's picture that show the toolkit's highlight (the filled part of the track,
// which runs from the minimum end to the knob): how many in the top and in the bottom quarter.
std::pair<int, int> filledQuarters(wxSlider* slider) {
  const wxImage image = vixo_test::grabWindow(slider);
  const auto rowFilled = [&](int y) {
    for (int x = 0; x < image.GetWidth(); ++x) {
      const int r = image.GetRed(x, y), g = image.GetGreen(x, y), b = image.GetBlue(x, y);
      if (b > r + 80 && b > g + 40) return true;
    }
    return false;
  };
  const int h = image.GetHeight();
  int top = 0, bottom = 0;
  for (int y = 0; y < h / 4; ++y) {
    top += rowFilled(y);
    bottom += rowFilled(h - 1 - y);
  }
  return {top, bottom};
}

TEST_F(VotingLayoutTest, VerticalSlidersHaveTheirMaximumAtTheTop) {
  auto* samviq = keep(new DlgVotingSAMVIQstub(nullptr));
  auto* dsis = keep(new DlgVotingDSISstub(nullptr));
  auto* dscqs = keep(new DlgVotingDSCQSstub(nullptr));
  for (wxSlider* slider : {samviq->markSlider, dsis->markSlider, dscqs->markSliderA}) {
    SCOPED_TRACE(wxGetTopLevelParent(slider)->GetLabel().ToStdString());
    // Near the maximum the track is filled from the bottom up, and not in its top quarter.
    slider->SetValue(slider->GetMax() - (slider->GetMax() - slider->GetMin()) / 4);
    const auto [top, bottom] = filledQuarters(slider);
    EXPECT_GT(bottom, 0);
    EXPECT_EQ(top, 0);
    wxGetTopLevelParent(slider)->Hide();
  }
}

TEST_F(VotingLayoutTest, SamviqMarkPanelTree) {
  auto* frame = keep(new wxFrame(nullptr, wxID_ANY, "host"));
  auto* w = new SAMVIQmarkStub(frame);
  const LayoutText text(w, "panel",
                        {MEMBER(*w, mainSizer), MEMBER(*w, sequenceRadio), MEMBER(*w, markLabel),
                         MEMBER(*w, oldMarkLabel)});
  // A lone radio button is always on: the toolkit keeps one button of a group on.
  EXPECT_EQ(text.members(), block(R"x(
mainSizer: wxBoxSizer of panel
sequenceRadio: wxRadioButton in panel "W" checked style=0 min=40x-1
markLabel: wxStaticText in panel "mark not set" style=0x900
oldMarkLabel: wxStaticText in panel "old mark 100" style=0x900
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
mainSizer=box V
  sequenceRadio 0 0x1B0 5
  markLabel 0 0x20B0 5
  oldMarkLabel 0 0x2030 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
  // A panel with tab traversal, fitted to its content.
  EXPECT_EQ(w->GetWindowStyleFlag() & wxTAB_TRAVERSAL, wxTAB_TRAVERSAL);
  EXPECT_EQ(w->GetName(), "panel");
  EXPECT_EQ(w->GetSize(), w->mainSizer->GetMinSize());
}

}  // namespace
