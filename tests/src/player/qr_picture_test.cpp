// The QR code of the test's address: dark modules on a light background with a light border of
// four modules, read back by a real QR reader (zbarimg).
#include "player/qr_picture.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "support/run_command.h"
#include "support/temp_folder.h"

namespace {

using vixo_test::runCommand;
using vixo_test::shellQuote;

// Writes the picture as a binary PPM file, each module `scale` pixels wide, as a screen shows it.
void writePpm(const QrPicture& picture, const std::string& path, int scale) {
  std::ofstream out(path, std::ios::binary);
  const int side = picture.size * scale;
  out << "P6\n" << side << " " << side << "\n255\n";
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      out.write(reinterpret_cast<const char*>(
                    &picture.rgb[(static_cast<size_t>(y / scale) * picture.size + x / scale) * 3]),
                3);
}

// What zbarimg reads in the file: the decoded text, empty when it finds no code.
std::string decode(const std::string& path) {
  int status = 0;
  std::string out = runCommand("zbarimg --quiet --raw " + shellQuote(path), status);
  if (!out.empty() && out.back() == '\n') out.pop_back();
  return status == 0 ? out : std::string();
}

TEST(QrPicture, ReadsBackAsTheAddress) {
  vixo_test::TempFolder folder;
  for (const std::string& link :
       {std::string("http://127.0.0.1:8080"), std::string("http://lab-pc.example.org:65535"),
        std::string("http://") + std::string(300, 'h') + ":8080", std::string("http://:0")}) {
    SCOPED_TRACE(link);
    const QrPicture picture = makeQrPicture(link);
    ASSERT_GT(picture.size, 0);
    ASSERT_EQ(picture.rgb.size(), static_cast<size_t>(picture.size) * picture.size * 3);
    // A symbol of version v has 17 + 4 v modules.
    const int modules = picture.size - 2 * QrPicture::kBorderModules;
    EXPECT_EQ((modules - 17) % 4, 0);
    // The border is light all round; the finder pattern's corner, just inside it, is dark.
    for (int i = 0; i < picture.size; ++i) {
      for (int b = 0; b < QrPicture::kBorderModules; ++b) {
        EXPECT_FALSE(picture.dark(i, b));
        EXPECT_FALSE(picture.dark(b, i));
        EXPECT_FALSE(picture.dark(i, picture.size - 1 - b));
        EXPECT_FALSE(picture.dark(picture.size - 1 - b, i));
      }
    }
    EXPECT_TRUE(picture.dark(QrPicture::kBorderModules, QrPicture::kBorderModules));
    // Only black and white.
    for (const unsigned char c : picture.rgb) EXPECT_TRUE(c == 0 || c == 255);

    const std::string path = folder / "code.ppm";
    writePpm(picture, path, 4);
    EXPECT_EQ(decode(path), link);
  }
}

TEST(QrPicture, TextBeyondTheLargestSymbolGivesNoPicture) {
  const QrPicture picture = makeQrPicture("http://" + std::string(3000, 'x'));
  EXPECT_EQ(picture.size, 0);
  EXPECT_TRUE(picture.rgb.empty());
}

}  // namespace
