// The layouts of the loading window and the About window, built on real windows.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "layout_fixture.h"
#include "layouts/wnd_about_stub.h"
#include "layouts/wnd_loading_stub.h"
#include "support/layout_text.h"
#include "support/screenshot.h"

namespace {

using vixo_test::block;
using vixo_test::boldFontText;
using vixo_test::expectOpening;
using vixo_test::kDialogStyle;
using vixo_test::LayoutText;

class ShellLayoutTest : public vixo_test::LayoutTest {};

// The layout tests rely on this: a sizer flag that the toolkit refuses fails the test.
TEST_F(ShellLayoutTest, AToolkitAssertionFailsTheTest) {
  EXPECT_NONFATAL_FAILURE(
      {
        wxBoxSizer column(wxVERTICAL);
        column.Add(10, 10, 0, wxALIGN_CENTER_VERTICAL);
      },
      "only horizontal alignment flags can be used in vertical sizers");
}

TEST_F(ShellLayoutTest, LoadingWindowTree) {
  auto* w = keep(new WndLoadingStub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, logoPicture), MEMBER(*w, welcomeLabel), MEMBER(*w, productNameLabel),
       MEMBER(*w, initializingLabel), MEMBER(*w, hiddenPanel)});
  EXPECT_EQ(text.members(), block(R"x(
logoPicture: wxStaticBitmap in dialog bitmap=150x117 style=0
welcomeLabel: wxStaticText in dialog "Welcome to" style=0
productNameLabel: wxStaticText in dialog "Orlo Vixo" style=0x900 font=19pt face="Sans"
initializingLabel: wxStaticText in dialog "initializing, please wait..." style=0 font=8pt italic face="Arial"
hiddenPanel: wxPanel in dialog style=0x380000 min=600x600 hidden
)x"));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  spacer 0x20 0 0 5
  box H 1 0x2030 15
    logoPicture 0 0x8F0 5
    box V 1 0x880 5
      welcomeLabel 0 0x170 5
      productNameLabel 0 0x1B0 5
  spacer 0x30 0 0 5
  box H 0 0x2000 5
    spacer 0x0 1 0x2000 5
    initializingLabel 0 0xF0 5
    spacer 0x0 1 0x2000 5
  spacer 0x15 0 0 5
  hiddenPanel 0 0xF0 5 hidden
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(ShellLayoutTest, LoadingWindowGivesTheHiddenPanelNoSpace) {
  auto* w = keep(new WndLoadingStub(nullptr));
  expectOpening(w, "Orlo VIXO Start Work", kDialogStyle, wxSize(525, 256));
  const wxSize client = w->GetClientSize();
  // The visible layout ends with the 15-pixel spacer under the foot row.
  EXPECT_EQ(w->initializingLabel->GetRect().GetBottom() + 1 + 5 + 15, client.y);
  // "initializing, please wait..." stays centred between its stretch spacers.
  const wxRect initializing = w->initializingLabel->GetRect();
  EXPECT_NEAR(initializing.x + initializing.width / 2, client.x / 2, 1);
  // The head row takes the height left over; logo and text column stand centred in it.
  const wxRect logo = w->logoPicture->GetRect();
  const int headTop = 20, headBottom = initializing.y - 5 - 30;
  EXPECT_NEAR(logo.y + logo.height / 2, (headTop + headBottom) / 2, 1);
  const wxRect welcome = w->welcomeLabel->GetRect();
  const wxRect product = w->productNameLabel->GetRect();
  EXPECT_NEAR(welcome.x + welcome.width / 2, product.x + product.width / 2, 1);
  EXPECT_LT(welcome.y, product.y);
  vixo_test::saveScreenshot(w, "loading");
}

TEST_F(ShellLayoutTest, AboutWindowTree) {
  auto* w = keep(new WndAboutStub(nullptr));
  const LayoutText text(
      w, "dialog",
      {MEMBER(*w, logoPicture), MEMBER(*w, productNameLabel), MEMBER(*w, buildDateCaptionLabel),
       MEMBER(*w, buildDateLabel), MEMBER(*w, versionCaptionLabel), MEMBER(*w, versionLabel),
       MEMBER(*w, okButton)});
  EXPECT_EQ(text.members(), block(R"x(
logoPicture: wxStaticBitmap in dialog bitmap=150x117 style=0
productNameLabel: wxStaticText in dialog "Orlo Vixo" style=0x900 font=19pt face="Sans"
buildDateCaptionLabel: wxStaticText in dialog "Build date:" style=0
buildDateLabel: wxStaticText in dialog "MyLabel" style=0 font={bold}
versionCaptionLabel: wxStaticText in dialog "Version:" style=0
versionLabel: wxStaticText in dialog "MyLabel" style=0 font={bold}
okButton: wxButton in dialog "OK" style=0 default
)x",
                                  {{"{bold}", boldFontText()}}));
  EXPECT_EQ(text.sizers(), block(R"x(
box V
  spacer 0x20 0 0 5
  box H 1 0x2030 15
    logoPicture 0 0x8F0 5
    box V 1 0x880 5
      productNameLabel 0 0x1B0 5
      flex rows=0 cols=2 gap=0,0 growCols=1 growRows=- dir=both mode=specified 1 0x2000 5
        buildDateCaptionLabel 0 0x70 5
        buildDateLabel 0 0x70 5
        versionCaptionLabel 0 0x70 5
        versionLabel 0 0x70 5
  spacer 0x30 1 0 5
  box H 0 0x2000 5
    spacer 0x0 1 0x2000 5
    okButton 1 0xF0 15
    spacer 0x0 1 0x2000 5
)x"));
  EXPECT_EQ(text.unusualNames(), "");
}

TEST_F(ShellLayoutTest, AboutWindowSharesItsExtraHeightAndCentresOk) {
  auto* w = keep(new WndAboutStub(nullptr));
  expectOpening(w, "About Orlo VIXO", kDialogStyle, wxSize(659, 326));
  // "OK" takes a third of the row, less its border of 15 on each side, in the middle.
  const wxSize client = w->GetClientSize();
  const wxRect ok = w->okButton->GetRect();
  EXPECT_NEAR(ok.width, client.x / 3 - 30, 1);
  EXPECT_NEAR(ok.x + ok.width / 2, client.x / 2, 1);
  EXPECT_EQ(ok.GetBottom() + 1 + 15, client.y);
  // Given room enough for both, the head row and the spacer above the buttons share the height
  // equally.
  auto* head = w->logoPicture->GetContainingSizer();
  w->SetSize(w->GetSize() + wxSize(0, 300));
  w->Layout();
  const int headBottom = head->GetPosition().y + head->GetSize().y;
  EXPECT_NEAR(head->GetSize().y, w->okButton->GetPosition().y - 15 - headBottom, 1);
  w->SetSize(659, 326);
  w->Layout();
  vixo_test::saveScreenshot(w, "about");
}

}  // namespace
