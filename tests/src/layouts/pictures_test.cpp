// The pictures compiled into the program: sizes, transparency, what they show (colour and
// direction, so that two pictures cannot trade places unnoticed), and one decoding per process.
#include <gtest/gtest.h>
#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/statbmp.h>

#include <cmath>
#include <string>

#include "layout_fixture.h"
#include "layouts/pictures.h"
#include "layouts/play_start_wnd_stub.h"
#include "layouts/wnd_loading_stub.h"

namespace {

class PicturesTest : public vixo_test::LayoutTest {};

enum class Colour { Green, Blue, Red, Grey, Any };
enum class Points { Up, Down, Either };

struct PictureCase {
  const char* name;
  const wxBitmap& (*accessor)();
  int width, height;
  bool opaque;
  Colour colour;  // of most of the picture's drawn pixels
  Points points;  // where the tip of the drawing is: the top or the bottom row's middle
};

const PictureCase kPictures[] = {
    {"setReferenceToolBitmap", setReferenceToolBitmap, 24, 24, false, Colour::Green,
     Points::Either},
    {"setReferenceMenuBitmap", setReferenceMenuBitmap, 16, 16, false, Colour::Green,
     Points::Either},
    {"moveDownToolBitmap", moveDownToolBitmap, 24, 24, false, Colour::Blue, Points::Down},
    {"moveUpToolBitmap", moveUpToolBitmap, 24, 24, false, Colour::Blue, Points::Up},
    {"fileLoadingBitmap", fileLoadingBitmap, 16, 16, false, Colour::Any, Points::Either},
    {"setGroupMenuBitmap", setGroupMenuBitmap, 16, 16, false, Colour::Any, Points::Either},
    {"groupFilesToolBitmap", groupFilesToolBitmap, 24, 24, false, Colour::Any, Points::Either},
    {"productLogoBitmap", productLogoBitmap, 150, 117, false, Colour::Blue, Points::Either},
    {"viewResultsToolBitmap", viewResultsToolBitmap, 24, 24, false, Colour::Blue, Points::Either},
    {"viewResultsMenuBitmap", viewResultsMenuBitmap, 16, 16, false, Colour::Blue, Points::Either},
    {"videoNotLoadedBitmap", videoNotLoadedBitmap, 400, 200, true, Colour::Any, Points::Either},
    {"debugToolBitmap", debugToolBitmap, 24, 24, false, Colour::Red, Points::Either},
    {"debugMenuBitmap", debugMenuBitmap, 16, 16, false, Colour::Red, Points::Either},
    {"debugToolBlockedBitmap", debugToolBlockedBitmap, 24, 24, false, Colour::Any, Points::Either},
    {"addFilesToolBitmap", addFilesToolBitmap, 24, 24, false, Colour::Blue, Points::Either},
    {"addFilesMenuBitmap", addFilesMenuBitmap, 16, 16, false, Colour::Blue, Points::Either},
    {"runToolBitmap", runToolBitmap, 24, 24, false, Colour::Red, Points::Either},
    {"runMenuBitmap", runMenuBitmap, 16, 16, false, Colour::Red, Points::Either},
    {"runToolBlockedBitmap", runToolBlockedBitmap, 24, 24, false, Colour::Any, Points::Either},
    {"fileErrorBitmap", fileErrorBitmap, 16, 16, false, Colour::Red, Points::Down},
    {"fileOkBitmap", fileOkBitmap, 16, 16, false, Colour::Green, Points::Up},
    {"removeFilesToolBitmap", removeFilesToolBitmap, 24, 24, false, Colour::Red, Points::Either},
    {"removeFilesMenuBitmap", removeFilesMenuBitmap, 16, 16, false, Colour::Red, Points::Either},
};

// The colour that most drawn pixels lean to, by their strongest channel.
Colour mainColour(const wxImage& image) {
  int counts[4] = {};  // green, blue, red, grey
  for (int y = 0; y < image.GetHeight(); ++y)
    for (int x = 0; x < image.GetWidth(); ++x) {
      if (image.GetAlpha(x, y) < 200) continue;
      const int r = image.GetRed(x, y), g = image.GetGreen(x, y), b = image.GetBlue(x, y);
      if (std::max({r, g, b}) - std::min({r, g, b}) < 40) {
        ++counts[3];
      } else if (g >= r && g >= b) {
        ++counts[0];
      } else if (b >= r && b >= g) {
        ++counts[1];
      } else {
        ++counts[2];
      }
    }
  return static_cast<Colour>(std::max_element(counts, counts + 4) - counts);
}

// Whether the drawn pixels of the given edge row (the first or last row holding any) all lie in
// the middle half of the width: the tip of an arrow or a thumb.
bool tipAt(const wxImage& image, bool top) {
  const int h = image.GetHeight(), w = image.GetWidth();
  for (int i = 0; i < h; ++i) {
    const int y = top ? i : h - 1 - i;
    bool any = false, outside = false;
    for (int x = 0; x < w; ++x) {
      if (image.GetAlpha(x, y) < 128) continue;
      any = true;
      if (x < w / 4 || x >= w - w / 4) outside = true;
    }
    if (any) return !outside;
  }
  return false;
}

TEST_F(PicturesTest, EveryPictureHasItsSizeTransparencyAndContent) {
  for (const PictureCase& c : kPictures) {
    SCOPED_TRACE(c.name);
    const wxBitmap& bitmap = c.accessor();
    ASSERT_TRUE(bitmap.IsOk());
    EXPECT_EQ(bitmap.GetSize(), wxSize(c.width, c.height));
    wxImage image = bitmap.ConvertToImage();
    // The toolkit drops the alpha channel of a picture that is opaque all over.
    ASSERT_TRUE(image.HasAlpha() || c.opaque);
    if (!image.HasAlpha()) image.InitAlpha();
    int clear = 0, drawn = 0;
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        clear += image.GetAlpha(x, y) == 0;
        drawn += image.GetAlpha(x, y) == 255;
      }
    if (c.opaque) {
      EXPECT_EQ(drawn, c.width * c.height);
      for (const auto& [x, y] : {std::pair{0, 0}, {c.width - 1, 0}, {0, c.height - 1}})
        EXPECT_EQ(image.GetRed(x, y) + image.GetGreen(x, y) + image.GetBlue(x, y), 3 * 255);
    } else {
      EXPECT_GT(clear, 0);  // a transparent background
      EXPECT_EQ(image.GetAlpha(0, 0), 0);
    }
    EXPECT_GT(drawn, c.width * c.height / 10);  // something is drawn
    if (c.colour != Colour::Any) {
      EXPECT_EQ(mainColour(image), c.colour);
    }
    if (c.points == Points::Up) {
      EXPECT_TRUE(tipAt(image, true));
      EXPECT_FALSE(tipAt(image, false));
    } else if (c.points == Points::Down) {
      EXPECT_FALSE(tipAt(image, true));
      EXPECT_TRUE(tipAt(image, false));
    }
  }
}

TEST_F(PicturesTest, BlockedPicturesShowAGreyTriangleAndARedBadge) {
  for (const wxBitmap* bitmap : {&debugToolBlockedBitmap(), &runToolBlockedBitmap()}) {
    const wxImage image = bitmap->ConvertToImage();
    // The triangle's left part is grey, the badge at the bottom right red with a white cross.
    const int badge = static_cast<int>(0.72 * 24);
    EXPECT_EQ(image.GetRed(7, 12), image.GetGreen(7, 12));
    EXPECT_GT(image.GetRed(badge - 4, badge), 180);
    EXPECT_LT(image.GetGreen(badge - 4, badge), 80);
    EXPECT_GT(image.GetGreen(badge, badge), 200);  // the cross's middle is white
  }
  // The placeholder's sign is red and its text dark.
  const wxImage placeholder = videoNotLoadedBitmap().ConvertToImage();
  EXPECT_GT(placeholder.GetRed(200 - 44, 72), 180);
  EXPECT_LT(placeholder.GetGreen(200 - 44, 72), 80);
}

TEST_F(PicturesTest, EachPictureIsDecodedOnceForTheWholeProcess) {
  for (const PictureCase& c : kPictures) EXPECT_EQ(&c.accessor(), &c.accessor()) << c.name;
  // Windows built again show the very bitmap the accessor made (sharing its data), so nothing
  // is decoded again.
  for (int round = 0; round < 2; ++round) {
    auto* start = keep(new PlayStartWndStub(nullptr));
    auto* loading = keep(new WndLoadingStub(nullptr));
    EXPECT_TRUE(start->logoPicture->GetBitmap().IsSameAs(productLogoBitmap()));
    EXPECT_TRUE(loading->logoPicture->GetBitmap().IsSameAs(productLogoBitmap()));
  }
}

}  // namespace
