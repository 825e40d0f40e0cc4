// The SCACJ voting dialogs: the seven-step scale with its circles, read back from the pictures,
// and the binary choice with its highlighted box, read back from the screen.
#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/button.h>
#include <wx/image.h>
#include <wx/panel.h>
#include <wx/slider.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include <string>

#include "player/dlg_voting_scacj.h"
#include "player/dlg_voting_scacj_bin.h"
#include "run_dialog_fixture.h"
#include "support/screenshot.h"

namespace {

using vixo_test::click;
using vixo_test::runScripted;
using vixo_test::sendKey;

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgb& c) {
  return out << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

Rgb centreOf(const wxBitmap& bitmap) {
  const wxImage image = bitmap.ConvertToImage();
  const int x = image.GetWidth() / 2, y = image.GetHeight() / 2;
  return {image.GetRed(x, y), image.GetGreen(x, y), image.GetBlue(x, y)};
}

const Rgb kCircle[7] = {{229, 91, 91},  {229, 137, 91}, {229, 183, 91}, {229, 229, 91},
                        {183, 229, 91}, {137, 229, 91}, {91, 229, 91}};

Rgb circleColour(int v) { return kCircle[v + 3]; }

TEST(CircleBitmap, SevenOpaqueCirclesFromRedToGreenOnATransparentSquare) {
  for (int v = -3; v <= 3; ++v) {
    SCOPED_TRACE(v);
    const wxBitmap& bitmap = circleBitmap(v);
    ASSERT_TRUE(bitmap.IsOk());
    EXPECT_EQ(bitmap.GetSize(), wxSize(48, 48));
    const wxImage image = bitmap.ConvertToImage();
    ASSERT_TRUE(image.HasAlpha());
    EXPECT_EQ(centreOf(bitmap), circleColour(v));
    // opaque inside the circle, transparent in the corners
    for (const wxPoint p : {wxPoint(24, 24), wxPoint(24, 3), wxPoint(3, 24), wxPoint(44, 24)})
      EXPECT_EQ(image.GetAlpha(p.x, p.y), 255) << p.x << "," << p.y;
    for (const wxPoint p : {wxPoint(0, 0), wxPoint(47, 0), wxPoint(0, 47), wxPoint(47, 47)})
      EXPECT_EQ(image.GetAlpha(p.x, p.y), 0) << p.x << "," << p.y;
  }
  // made once
  EXPECT_EQ(&circleBitmap(2), &circleBitmap(2));
  EXPECT_EQ(centreOf(makeCircleBitmap(0.5)), circleColour(0));
}

class ScacjDialogTest : public vixo_test::RunDialogTest {};

TEST_F(ScacjDialogTest, KeysSetTheMarkAndTheCirclesFollow) {
  DlgVotingSCACJ dialog(parent, &interrupter);
  EXPECT_EQ(dialog.GetTitle(), "Give your mark (SCACJ method)");
  EXPECT_EQ(dialog.mark->get(), 0);
  EXPECT_EQ(dialog.choiceValueLabel->GetLabel(), "0");
  EXPECT_EQ(centreOf(dialog.leftCirclePicture->GetBitmap()), circleColour(0));
  EXPECT_EQ(centreOf(dialog.rightCirclePicture->GetBitmap()), circleColour(0));

  // {key, modifiers, mark after it}: the digits 0..3 of both keyboards, negative with Control;
  // 4 and 9 change nothing.
  const struct {
    int key;
    int modifiers;
    int mark;
  } rows[] = {{'3', 0, 3},
              {'2', wxMOD_CONTROL, -2},
              {'4', 0, -2},
              {WXK_NUMPAD3, wxMOD_CONTROL, -3},
              {'9', 0, -3},
              {WXK_NUMPAD1, 0, 1},
              {'0', wxMOD_CONTROL, 0},
              {'2', 0, 2}};
  runScripted(dialog, [&](wxDialog&) {
    for (const auto& row : rows) {
      SCOPED_TRACE(row.key);
      sendKey(&dialog, row.key, row.modifiers);
      EXPECT_EQ(dialog.mark->get(), row.mark);
      EXPECT_EQ(dialog.markSlider->GetValue(), row.mark);
      EXPECT_EQ(dialog.choiceValueLabel->GetLabel(), std::to_string(row.mark));
      EXPECT_EQ(centreOf(dialog.leftCirclePicture->GetBitmap()), circleColour(-row.mark));
      EXPECT_EQ(centreOf(dialog.rightCirclePicture->GetBitmap()), circleColour(row.mark));
    }
    click(dialog.okButton);
  });
  EXPECT_TRUE(dialog.buttonPressed);
  EXPECT_FALSE(dialog.watchAgain);
  EXPECT_EQ(dialog.mark->get(), 2);
}

TEST_F(ScacjDialogTest, ExtremesOfTheScaleColourTheCircles) {
  DlgVotingSCACJ dialog(parent, &interrupter);
  dialog.markVar->set(3);
  EXPECT_EQ(centreOf(dialog.rightCirclePicture->GetBitmap()), (Rgb{91, 229, 91}));
  EXPECT_EQ(centreOf(dialog.leftCirclePicture->GetBitmap()), (Rgb{229, 91, 91}));
  dialog.markVar->set(-2);
  EXPECT_EQ(centreOf(dialog.leftCirclePicture->GetBitmap()), (Rgb{137, 229, 91}));
  EXPECT_EQ(centreOf(dialog.rightCirclePicture->GetBitmap()), (Rgb{229, 137, 91}));
  EXPECT_EQ(dialog.choiceValueLabel->GetLabel(), "-2");
  runScripted(dialog, [&](wxDialog&) { click(dialog.watchAgainButton); });
  EXPECT_TRUE(dialog.buttonPressed);
  EXPECT_TRUE(dialog.watchAgain);
}

// What the screen shows a little inside the panel's top-left corner.
Rgb screenColourInside(wxPanel* panel) {
  const wxImage shot = vixo_test::grabWindow(panel);
  return {shot.GetRed(4, 4), shot.GetGreen(4, 4), shot.GetBlue(4, 4)};
}

Rgb rgbOf(const wxColour& c) { return {c.Red(), c.Green(), c.Blue()}; }

TEST_F(ScacjDialogTest, BinaryChoiceHighlightsTheClickedBox) {
  DlgVotingSCACJbin dialog(parent, &interrupter);
  wxPanel* panels[] = {dialog.leftChoicePanel, dialog.sameChoicePanel, dialog.rightChoicePanel};
  wxStaticText* labels[] = {dialog.leftChoiceLabel, dialog.sameChoiceLabel,
                            dialog.rightChoiceLabel};
  // The box that shows `highlighted` (-1, 0, 1, or 2 for none) as the screen shows it.
  const auto expectHighlighted = [&](int highlighted) {
    for (int i = 0; i < 3; ++i) {
      SCOPED_TRACE(i);
      const bool on = i - 1 == highlighted;
      EXPECT_EQ(rgbOf(panels[i]->GetBackgroundColour()),
                rgbOf(on ? highlightColour() : normalColour()));
      EXPECT_EQ(screenColourInside(panels[i]), rgbOf(on ? highlightColour() : normalColour()));
      EXPECT_EQ(labels[i]->GetFont().GetWeight(), on ? wxFONTWEIGHT_BOLD : wxFONTWEIGHT_NORMAL);
    }
  };
  runScripted(dialog, [&](wxDialog&) {
    EXPECT_FALSE(dialog.okButton->IsEnabled());
    EXPECT_EQ(dialog.choiceValueLabel->GetLabel(), "select left or right");
    expectHighlighted(2);

    click(dialog.rightChoiceLabel);  // on the word itself
    EXPECT_EQ(dialog.choice->get(), 1);
    EXPECT_TRUE(dialog.chosen->get());
    EXPECT_EQ(dialog.choiceValueLabel->GetLabel(), "right is better");
    EXPECT_TRUE(dialog.okButton->IsEnabled());
    expectHighlighted(1);

    vixo_test::clickAt(dialog.leftChoicePanel, 10, 10);  // on the box beside the word
    EXPECT_EQ(dialog.choice->get(), -1);
    EXPECT_EQ(dialog.choiceValueLabel->GetLabel(), "left is better");
    expectHighlighted(-1);

    click(dialog.sameChoicePanel);
    EXPECT_EQ(dialog.choice->get(), 0);
    EXPECT_EQ(dialog.choiceValueLabel->GetLabel(), "you can't distinguish");
    EXPECT_TRUE(dialog.okButton->IsEnabled());
    expectHighlighted(0);
    // the bold word is placed anew and fits its box
    const wxRect word = dialog.sameChoiceLabel->GetRect();
    EXPECT_GE(word.width, dialog.sameChoiceLabel->GetBestSize().x);
    EXPECT_LE(word.GetRight(), dialog.sameChoicePanel->GetClientSize().x);
    click(dialog.okButton);
  });
  EXPECT_TRUE(dialog.buttonPressed);
  EXPECT_FALSE(dialog.watchAgain);
  EXPECT_EQ(dialog.choice->get(), 0);
}

TEST_F(ScacjDialogTest, ClosingAnyScacjDialogGoesThroughTheInterrupter) {
  {
    DlgVotingSCACJ dialog(parent, &interrupter);
    interrupter.answer = false;
    runScripted(dialog, [&](wxDialog&) {
      sendKey(&dialog, '3');
      EXPECT_FALSE(dialog.Close());
      EXPECT_TRUE(dialog.IsModal());
      EXPECT_EQ(dialog.mark->get(), 3);
      interrupter.answer = true;
      dialog.Close();
    });
    EXPECT_FALSE(dialog.buttonPressed);
    EXPECT_EQ(interrupter.asked.size(), 2u);
  }
  DlgVotingSCACJbin dialog(parent, &interrupter);
  runScripted(dialog, [&](wxDialog&) {
    click(dialog.leftChoicePanel);
    dialog.Close(true);
  });
  EXPECT_FALSE(dialog.buttonPressed);
  EXPECT_EQ(interrupter.forced, 1);
}

}  // namespace
