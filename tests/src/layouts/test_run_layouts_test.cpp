// The layouts of the test run's windows: the full-screen window, the before-video dialog, the
// start-test dialog, the send-archive dialog and the online control panel, built on real windows.
#include <gtest/gtest.h>
#include <wx/artprov.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/gauge.h>
#include <wx/hyperlink.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "layout_fixture.h"
#include "layouts/dlg_before_video_stub.h"
#include "layouts/dlg_send_archive_stub.h"
#include "layouts/fullscreen_stub.h"
#include "layouts/network_control_panel_stub.h"
#include "layouts/play_start_wnd_stub.h"
#include "support/layout_text.h"
#include "support/screenshot.h"

namespace {

using vixo_test::block;
using vixo_test::boldFontText;
using vixo_test::centredPosition;
using vixo_test::expectOpening;
using vixo_test::LayoutText;

using vixo_test::kDialogStyle;

class TestRunLayoutTest : public vixo_test::LayoutTest {};

// ---------------------------------------------------------------- full-screen window

LayoutText fullscreenText(FullscreenStub& w) {
  return LayoutText(
      &w, "frame",
      {MEMBER(w, mainSizer), MEMBER(w, progressTrackPanel), MEMBER(w, progressBarPanel),
       MEMBER(w, topFillerPanel), MEMBER(w, leftFillerPanel), MEMBER(w, firstVideoPanel),
       MEMBER(w, firstVideoSizer), MEMBER(w, firstImagePicture), MEMBER(w, middleFillerPanel),
       MEMBER(w, secondVideoPanel), MEMBER(w, secondVideoSizer), MEMBER(w, secondImagePicture),
       MEMBER(w, rightFillerPanel), MEMBER(w, bottomPanel), MEMBER(w, linkPanel),
       MEMBER(w, addressLink)});
}

TEST_F(TestRunLayoutTest, FullscreenWindowTree) {
  auto* w = keep(new FullscreenStub(nullptr));
  const LayoutText text = fullscreenText(*w);
  // The toolkit adds wxBORDER_NONE (0x200000) to a panel created without a border style, and a
  // size given at creation becomes the minimum size. The link inherits the colour set on its
  // box (the toolkit still draws link text in its link colour).
  EXPECT_EQ(text.members(), block(R"x(
mainSizer: wxBoxSizer of frame
progressTrackPanel: wxPanel in frame style=0x280000 bg=#FFFFFF
progressBarPanel: wxPanel in progressTrackPanel style=0x280000 bg=#0000FF min=50x4
topFillerPanel: wxPanel in frame style=0x380000
leftFillerPanel: wxPanel in frame style=0x380000
firstVideoPanel: wxPanel in frame style=0x380000 min=100x100
firstVideoSizer: wxBoxSizer of firstVideoPanel
firstImagePicture: wxStaticBitmap in firstVideoPanel bitmap=none style=0
middleFillerPanel: wxPanel in frame style=0x380000
secondVideoPanel: wxPanel in frame style=0x380000 min=100x100
secondVideoSizer: wxBoxSizer of secondVideoPanel
secondImagePicture: wxStaticBitmap in secondVideoPanel bitmap=none style=0
rightFillerPanel: wxPanel in frame style=0x380000
bottomPanel: wxPanel in frame style=0x380000
linkPanel: wxPanel in bottomPanel style=0x280000 fg=#F0F0F0 bg=#FFFFFF
addressLink: wxHyperlinkCtrl in linkPanel "wxFB Website" url="https://vixo.orlo.example/" style=0x200009 font=20pt face="Arial" fg=#F0F0F0
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
mainSizer=box V
  progressTrackPanel 0 0x2000 5
    box V
      progressBarPanel 0 0 5
  topFillerPanel 1 0x2000 5
  box H 0 0x2000 5
    leftFillerPanel 1 0x2000 5
    firstVideoPanel 0 0x2000 5
      firstVideoSizer=box V
        firstImagePicture 1 0x2000 5
    middleFillerPanel 1 0x2000 5
    secondVideoPanel 0 0x2000 5
      secondVideoSizer=box V
        secondImagePicture 1 0x2000 5
    rightFillerPanel 1 0x2000 5
  bottomPanel 1 0x2000 5
    box V
      linkPanel 0 0x1F0 10
        box V
          addressLink 0 0xF0 15
)x"));
  EXPECT_EQ(text.unusualNames(), "");
  EXPECT_EQ(w->GetName(), "frame");
  EXPECT_EQ(w->GetTitle(), "");
}

TEST_F(TestRunLayoutTest, FullscreenWindowKeepsItsSizeAndCentresThePictures) {
  auto* w = keep(new FullscreenStub(nullptr));
  // A frame without caption or border, not fitted to its content, centred on the screen.
  expectOpening(w, "", wxBORDER_NONE | wxTAB_TRAVERSAL, wxSize(668, 212));
  EXPECT_EQ(w->GetBackgroundColour(), wxSystemSettings::GetColour(wxSYS_COLOUR_ACTIVECAPTION));
  EXPECT_EQ(w->progressBarPanel->GetSize(), wxSize(50, 4));
  EXPECT_EQ(w->firstVideoPanel->GetSize().x, 100);
  EXPECT_EQ(w->secondVideoPanel->GetSize().x, 100);

  // Two pictures stand with three equal gaps.
  const int left = w->leftFillerPanel->GetSize().x;
  EXPECT_GT(left, 0);
  EXPECT_EQ(w->middleFillerPanel->GetSize().x, left);
  EXPECT_NEAR(w->rightFillerPanel->GetSize().x, left, 1);

  // One picture stands between two equal gaps, centred in the frame.
  w->mainSizer->Hide(w->secondVideoPanel, true);
  w->mainSizer->Hide(w->rightFillerPanel, true);
  w->Layout();
  EXPECT_NEAR(w->leftFillerPanel->GetSize().x, w->middleFillerPanel->GetSize().x, 1);
  const wxRect first = w->firstVideoPanel->GetRect();
  EXPECT_NEAR(first.x + first.width / 2, w->GetClientSize().x / 2, 1);

  // On a screen-sized frame the filler above and the area below share the height the other
  // rows leave (at 668 x 212 the area below needs more than half of it for the link box).
  w->SetSize(1000, 700);
  w->Layout();
  EXPECT_NEAR(w->topFillerPanel->GetSize().y, w->bottomPanel->GetSize().y, 1);
  EXPECT_EQ(w->bottomPanel->GetPosition().y,
            w->firstVideoPanel->GetPosition().y + w->firstVideoPanel->GetSize().y);
  EXPECT_EQ(w->firstVideoPanel->GetSize(), wxSize(100, 100));

  // The link box is shown centred at the top of the area below the pictures.
  const wxRect link = w->linkPanel->GetRect();
  EXPECT_EQ(link.y, 10);
  EXPECT_NEAR(link.x + link.width / 2, w->bottomPanel->GetSize().x / 2, 1);
  w->mainSizer->Show(w->secondVideoPanel, true);
  w->mainSizer->Show(w->rightFillerPanel, true);
  w->SetSize(668, 212);
  w->Layout();
  vixo_test::saveScreenshot(w, "fullscreen");
}

// ---------------------------------------------------------------- before-video dialog

TEST_F(TestRunLayoutTest, BeforeVideoDialogTree) {
  auto* w = keep(new DlgBeforeVideoStub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, mainSizer), MEMBER(*w, taskNameCaptionLabel), MEMBER(*w, taskNameValueLabel),
       MEMBER(*w, expertNameCaptionLabel), MEMBER(*w, expertNameValueLabel),
       MEMBER(*w, questionNumberCaptionLabel), MEMBER(*w, questionNumberValueLabel),
       MEMBER(*w, instructionsPanel), MEMBER(*w, instructionsTitleLabel), MEMBER(*w, messageLabel),
       MEMBER(*w, hotkeysLabel), MEMBER(*w, startLink), MEMBER(*w, sequenceALink),
       MEMBER(*w, sequenceBLink)});
  EXPECT_EQ(text.members(), block(R"x(
mainSizer: wxBoxSizer of dialog
taskNameCaptionLabel: wxStaticText in dialog "Task name:" style=0
taskNameValueLabel: wxStaticText in dialog "MyLabel" style=0
expertNameCaptionLabel: wxStaticText in dialog "Expert name:" style=0
expertNameValueLabel: wxStaticText in dialog "MyLabel" style=0
questionNumberCaptionLabel: wxStaticText in dialog "Question number:" style=0
questionNumberValueLabel: wxStaticText in dialog "MyLabel" style=0
instructionsPanel: wxPanel in dialog style=0x10080000
instructionsTitleLabel: wxStaticText in instructionsPanel "Instructions" style=0x900 font=12pt bold face="Arial"
messageLabel: wxStaticText in instructionsPanel "" style=0
hotkeysLabel: wxStaticText in instructionsPanel "Hotkeys:\n<space> - pause\n<esc> - interrupt" style=0
startLink: wxHyperlinkCtrl in dialog "<press [space] to start>" url="" style=0x200009
sequenceALink: wxHyperlinkCtrl in dialog "<press [A] for A sequence>" url="" style=0x200009
sequenceBLink: wxHyperlinkCtrl in dialog "<press [B] for B sequence>" url="" style=0x200009
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
mainSizer=box V
  flex rows=0 cols=2 gap=0,0 growCols=1 growRows=- dir=both mode=specified 0 0x2000 5
    taskNameCaptionLabel 0 0x70 5
    taskNameValueLabel 0 0x70 5
    expertNameCaptionLabel 0 0x70 5
    expertNameValueLabel 0 0x70 5
    questionNumberCaptionLabel 0 0xF0 5
    questionNumberValueLabel 0 0xF0 5
  spacer 0x0 1 0x2000 5
  instructionsPanel 0 0x20F0 5
    box V
      instructionsTitleLabel 0 0x20F0 5
      messageLabel 0 0x20F0 5
      hotkeysLabel 0 0x2F0 5
  spacer 0x0 1 0x2000 5
  box H 0 0x100 5
    startLink 0 0xF0 5
    sequenceALink 0 0xF0 5
    sequenceBLink 0 0xF0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
  EXPECT_EQ(w->GetWindowStyleFlag(), kDialogStyle);
}

TEST_F(TestRunLayoutTest, BeforeVideoDialogIsNeverSmallerThanItsMinimum) {
  auto* w = keep(new DlgBeforeVideoStub(nullptr));
  // Short captions fit in far less, yet the dialog opens at its minimum size, centred.
  EXPECT_EQ(w->GetMinSize(), wxSize(474, 200));
  EXPECT_GE(w->GetSize().x, 474);
  EXPECT_GE(w->GetSize().y, 200);
  EXPECT_EQ(w->GetPosition(), centredPosition(w->GetSize()));

  // Extra width goes to the value column only.
  auto* grid = dynamic_cast<wxFlexGridSizer*>(w->taskNameValueLabel->GetContainingSizer());
  ASSERT_NE(grid, nullptr);
  const int captions = grid->GetColWidths()[0];
  const int values = grid->GetColWidths()[1];
  w->SetSize(w->GetSize() + wxSize(200, 0));
  w->Layout();
  EXPECT_EQ(grid->GetColWidths()[0], captions);
  EXPECT_EQ(grid->GetColWidths()[1], values + 200);

  // Extra height: the instructions stay midway, the prompts at the bottom.
  w->SetSize(w->GetSize() + wxSize(0, 200));
  w->Layout();
  const int infoBottom = w->questionNumberValueLabel->GetRect().GetBottom() + 5;
  const wxRect box = w->instructionsPanel->GetRect();
  const int promptsTop = w->startLink->GetPosition().y - 5;
  EXPECT_NEAR(box.y - 5 - infoBottom, promptsTop - (box.GetBottom() + 1 + 5), 1);
  EXPECT_EQ(w->startLink->GetRect().GetBottom() + 1 + 5, w->GetClientSize().y);
  vixo_test::saveScreenshot(w, "before_video");
}

// ---------------------------------------------------------------- start-test dialog

TEST_F(TestRunLayoutTest, StartTestDialogTree) {
  auto* w = keep(new PlayStartWndStub(nullptr));
  LayoutText text(w, "dialog",
                  {MEMBER(*w, mainSizer),          MEMBER(*w, logoPicture),
                   MEMBER(*w, welcomeLabel),       MEMBER(*w, productLink),
                   MEMBER(*w, formSizer),          MEMBER(*w, testNameCaptionLabel),
                   MEMBER(*w, testNameLabel),      MEMBER(*w, questionCountCaptionLabel),
                   MEMBER(*w, questionCountLabel), MEMBER(*w, observerNameCaptionLabel),
                   MEMBER(*w, observerNameText),   MEMBER(*w, serverHostCaptionLabel),
                   MEMBER(*w, hostSizer),          MEMBER(*w, hostSchemeLabel),
                   MEMBER(*w, hostCombo),          MEMBER(*w, portSeparatorLabel),
                   MEMBER(*w, portText),           MEMBER(*w, displayCaptionLabel),
                   MEMBER(*w, displaySizer),       MEMBER(*w, displayChoice),
                   MEMBER(*w, displayTestButton),  MEMBER(*w, debugRunLabel),
                   MEMBER(*w, cancelButton),       MEMBER(*w, startTestButton),
                   MEMBER(*w, progressSizer),      MEMBER(*w, checkingTaskLabel),
                   MEMBER(*w, checkProgressGauge)});
  text.nameColour(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT), "HIGHLIGHT");
  EXPECT_EQ(text.members(), block(R"x(
mainSizer: wxBoxSizer of dialog
logoPicture: wxStaticBitmap in dialog bitmap=150x117 style=0
welcomeLabel: wxStaticText in dialog "Welcome to " style=0
productLink: wxHyperlinkCtrl in dialog "Orlo Vixo" url="https://vixo.orlo.example/" style=0x200009
formSizer: wxFlexGridSizer
testNameCaptionLabel: wxStaticText in dialog "Test name" style=0
testNameLabel: wxStaticText in dialog "MyLabel" style=0 font={bold}
questionCountCaptionLabel: wxStaticText in dialog "Number of questions" style=0
questionCountLabel: wxStaticText in dialog "MyLabel" style=0 font={bold}
observerNameCaptionLabel: wxStaticText in dialog "Enter your name" style=0
observerNameText: wxTextCtrl in dialog "" style=0
serverHostCaptionLabel: wxStaticText in dialog "Server host" style=0
hostSizer: wxBoxSizer
hostSchemeLabel: wxStaticText in dialog "http://" style=0
hostCombo: wxComboBox in dialog "Combo!" items=0 style=0 tip="Host name or IP to display in link address"
portSeparatorLabel: wxStaticText in dialog ":" style=0
portText: wxTextCtrl in dialog "8080" style=0 min=50x-1 tip="Port"
displayCaptionLabel: wxStaticText in dialog "Choose display" style=0
displaySizer: wxBoxSizer
displayChoice: wxChoice in dialog items=0 selection=-1 style=0 min=200x-1
displayTestButton: wxButton in dialog "Test" style=0x1 min=50x-1
debugRunLabel: wxStaticText in dialog "This is debug run, no results will be saved" style=0 font=9pt italic face="Arial" fg=HIGHLIGHT
cancelButton: wxButton in dialog "Cancel" style=0
startTestButton: wxButton in dialog "Start test" style=0 disabled default
progressSizer: wxBoxSizer
checkingTaskLabel: wxStaticText in dialog "Checking task..." style=0
checkProgressGauge: wxGauge in dialog value=0 range=100 style=0x4
)x",
                                  {{"{bold}", boldFontText()}}));
  EXPECT_EQ(text.sizers(), block(R"x(
mainSizer=box V
  box H 1 0x2000 5
    logoPicture 0 0x8F0 5
    box V 1 0x800 5
      box H 0 0x100 5
        welcomeLabel 0 0xD0 5
        productLink 0 0xE0 5
      formSizer=flex rows=0 cols=2 gap=0,0 growCols=1 growRows=- dir=both mode=specified 1 0x2000 5
        testNameCaptionLabel 0 0x8F0 5
        testNameLabel 0 0x830 5
        questionCountCaptionLabel 0 0x8F0 5
        questionCountLabel 0 0x830 5
        observerNameCaptionLabel 0 0x8F0 5
        observerNameText 0 0x28F0 5
        serverHostCaptionLabel 0 0x8F0 5
        hostSizer=box H 1 0x2000 5
          hostSchemeLabel 0 0x830 5
          hostCombo 1 0x800 5
          portSeparatorLabel 0 0x8F0 3
          portText 0 0x820 5
        displayCaptionLabel 0 0x8F0 5
        displaySizer=box H 0 0x2800 5
          displayChoice 1 0x8F0 5
          displayTestButton 0 0x8E0 5
  spacer 0x15 0 0x2000 5
  debugRunLabel 0 0x170 5
  spacer 0x15 0 0 5
  box H 0 0x2000 5
    spacer 0x0 1 0x2000 5
    cancelButton 4 0x20F0 5
    spacer 0x0 1 0x2000 5
    startTestButton 4 0x20F0 5
    spacer 0x0 1 0x2000 5
  spacer 0x0 0 0x2000 5
  progressSizer=box H 0 0x2040 5
    checkingTaskLabel 0 0xF0 5
    checkProgressGauge 1 0xF0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(TestRunLayoutTest, StartTestDialogFitsItsContentAndLimitsThePort) {
  auto* w = keep(new PlayStartWndStub(nullptr));
  // No resize border; the size its sizer needs; centred.
  expectOpening(w, "Orlo VIXO Start Test", kDialogStyle);
  EXPECT_GE(w->displayChoice->GetSize().x, 200);
  EXPECT_EQ(w->portText->GetSize().x, 50);

  // The port field takes no sixth character.
  w->portText->AppendText("9");
  EXPECT_EQ(w->portText->GetValue(), "80809");
  w->portText->AppendText("1");
  EXPECT_EQ(w->portText->GetValue(), "80809");
  vixo_test::saveScreenshot(w, "start_test");
}

// ---------------------------------------------------------------- send-archive dialog

TEST_F(TestRunLayoutTest, SendArchiveDialogTree) {
  auto* w = keep(new DlgSendArchiveStub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, tipPicture), MEMBER(*w, congratulationsLabel), MEMBER(*w, addressHintLabel),
       MEMBER(*w, addressLink), MEMBER(*w, copyAddressButton), MEMBER(*w, fileHintLabel),
       MEMBER(*w, archivePathText), MEMBER(*w, copyPathButton), MEMBER(*w, openInExplorerButton),
       MEMBER(*w, okButton)});
  const wxSize tipSize = wxArtProvider::GetBitmap(wxART_TIP, wxART_MESSAGE_BOX).GetSize();
  EXPECT_EQ(text.members(),
            block(R"x(
tipPicture: wxStaticBitmap in dialog bitmap={tip} style=0
congratulationsLabel: wxStaticText in dialog "Congratulations, test is finished!" style=0 font={bold}
addressHintLabel: wxStaticText in dialog "You are asked to send the test results to the following address:" style=0
addressLink: wxHyperlinkCtrl in dialog "" url="https://vixo.orlo.example/" style=0x200009
copyAddressButton: wxButton in dialog "Copy" style=0x1
fileHintLabel: wxStaticText in dialog "Please, send the following file to that email:" style=0
archivePathText: wxTextCtrl in dialog "" style=0x10
copyPathButton: wxButton in dialog "Copy" style=0x1
openInExplorerButton: wxButton in dialog "Open in explorer" style=0 default
okButton: wxButton in dialog "OK" style=0x1
)x",
                  {{"{bold}", boldFontText()},
                   {"{tip}", std::to_string(tipSize.x) + "x" + std::to_string(tipSize.y)}}));
  EXPECT_TRUE(w->tipPicture->GetBitmap().IsOk());
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  box H 1 0x2000 5
    tipPicture 0 0x8F0 15
    box V 1 0x2000 5
      congratulationsLabel 0 0xF0 5
      addressHintLabel 0 0x70 5
      box H 1 0x2000 5
        addressLink 0 0x8B0 5
        spacer 0x0 1 0x2000 5
        copyAddressButton 0 0x8B0 5
      fileHintLabel 0 0x70 5
      box H 0 0x2000 5
        archivePathText 1 0x810 5
        copyPathButton 0 0x8F0 5
  box H 0 0x2000 5
    spacer 0x0 1 0x2000 5
    openInExplorerButton 0 0xD0 5
    okButton 0 0xF0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(TestRunLayoutTest, SendArchiveDialogGivesExtraWidthToTheTextColumn) {
  auto* w = keep(new DlgSendArchiveStub(nullptr));
  expectOpening(w, "Please, send results", kDialogStyle);
  // "Copy" and "OK" are only as wide as their labels; "Open in explorer" is a normal button.
  EXPECT_LT(w->copyAddressButton->GetSize().x, wxButton::GetDefaultSize().x);
  EXPECT_LT(w->okButton->GetSize().x, wxButton::GetDefaultSize().x);
  EXPECT_GE(w->openInExplorerButton->GetSize().x, wxButton::GetDefaultSize().x);

  const int pathWidth = w->archivePathText->GetSize().x;
  w->SetClientSize(w->GetClientSize() + wxSize(150, 0));
  w->Layout();
  const int right = w->GetClientSize().x;
  EXPECT_EQ(w->copyAddressButton->GetRect().GetRight() + 1 + 5, right);
  EXPECT_EQ(w->archivePathText->GetSize().x, pathWidth + 150);
  EXPECT_EQ(w->copyPathButton->GetPosition().x, w->archivePathText->GetRect().GetRight() + 1 + 5);
  EXPECT_EQ(w->okButton->GetRect().GetRight() + 1 + 5, right);
  EXPECT_EQ(w->openInExplorerButton->GetRect().GetRight() + 1 + 5, w->okButton->GetPosition().x);
  // The tip picture keeps 15 pixels on every side.
  EXPECT_EQ(w->tipPicture->GetPosition().x, 15);
  vixo_test::saveScreenshot(w, "send_archive");
}

// ---------------------------------------------------------------- online control panel

TEST_F(TestRunLayoutTest, OnlineControlPanelTree) {
  auto* w = keep(new NetworkControlPanelStub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, addressLink), MEMBER(*w, expertsCaptionLabel), MEMBER(*w, expertsLabel),
       MEMBER(*w, stageCaptionLabel), MEMBER(*w, stageLabel), MEMBER(*w, votesCaptionLabel),
       MEMBER(*w, votesLabel), MEMBER(*w, countdownCaptionLabel), MEMBER(*w, countdownLabel),
       MEMBER(*w, repeatVideoButton), MEMBER(*w, stopCountdownButton), MEMBER(*w, proceedButton)});
  EXPECT_EQ(text.members(), block(R"x(
addressLink: wxHyperlinkCtrl in dialog "wxFB Website" url="https://vixo.orlo.example/" style=0x200009
expertsCaptionLabel: wxStaticText in dialog "Experts online:" style=0
expertsLabel: wxStaticText in dialog "0" style=0
stageCaptionLabel: wxStaticText in dialog "Current stage:" style=0
stageLabel: wxStaticText in dialog "MyLabel" style=0
votesCaptionLabel: wxStaticText in dialog "Votes:" style=0
votesLabel: wxStaticText in dialog "0" style=0
countdownCaptionLabel: wxStaticText in dialog "Countdown:" style=0
countdownLabel: wxStaticText in dialog "MyLabel" style=0
repeatVideoButton: wxButton in dialog "Repeat last video" style=0
stopCountdownButton: wxButton in dialog "Stop countdown" style=0 tip="Forbid automatic termination for current stage"
proceedButton: wxButton in dialog "Proceed" style=0 tip="Immediate continue to the next stage"
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  box V 1 0x2050 5
    addressLink 0 0xF0 5
  flex rows=0 cols=2 gap=0,0 growCols=1 growRows=- dir=both mode=specified 0 0x20B0 5
    expertsCaptionLabel 0 0xF0 5
    expertsLabel 0 0x20F0 5
    stageCaptionLabel 0 0xF0 5
    stageLabel 0 0x20F0 5
    votesCaptionLabel 0 0xF0 5
    votesLabel 0 0x20F0 5
    countdownCaptionLabel 0 0xF0 5
    countdownLabel 0 0x20F0 5
  box H 0 0x2000 5
    repeatVideoButton 1 0xF0 5
    stopCountdownButton 1 0xF0 5
    proceedButton 1 0xF0 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
  EXPECT_EQ(w->GetDefaultItem(), nullptr);
}

TEST_F(TestRunLayoutTest, OnlineControlPanelSharesTheButtonRowEqually) {
  auto* w = keep(new NetworkControlPanelStub(nullptr));
  expectOpening(w, "Online test control panel", kDialogStyle);

  auto* grid = dynamic_cast<wxFlexGridSizer*>(w->stageLabel->GetContainingSizer());
  ASSERT_NE(grid, nullptr);
  const int captions = grid->GetColWidths()[0];
  w->SetClientSize(w->GetClientSize() + wxSize(300, 0));
  w->Layout();
  const int width = w->repeatVideoButton->GetSize().x;
  EXPECT_NEAR(w->stopCountdownButton->GetSize().x, width, 1);
  EXPECT_NEAR(w->proceedButton->GetSize().x, width, 1);
  EXPECT_EQ(grid->GetColWidths()[0], captions);  // the values take the extra width
  vixo_test::saveScreenshot(w, "online_control_panel");
}

}  // namespace
