// Media files on real windows (Xvfb in the test script): videos painted into a panel and read
// back from the screen, still images shown in a bitmap control for their display time, two
// videos started together, windows that go away under a playing video; opening by extension
// and the bounded loader with real files.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/log.h>
#include <wx/statbmp.h>
#include <wx/timer.h>
#include <wx/utils.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "avifile/avi_system.h"
#include "common/event_loop_wait.h"
#include "media/ffmpeg_video_file.h"
#include "media/limited_loader.h"
#include "media/media_clock.h"
#include "media/open_media.h"
#include "support/bars_video.h"
#include "support/pixels.h"
#include "support/temp_folder.h"
#include "support/test_fifo.h"
#include "support/test_video.h"

namespace {

using namespace std::chrono_literals;
using connections::ExpressionPtr;
using vixo_test::barColour;
using vixo_test::pixelText;
using vixo_test::Rgb;

// Runs the event loop until the condition holds or the time limit passes; the result tells
// which.
bool loopUntil(const ExpressionPtr<bool>& condition, std::chrono::milliseconds limit = 10s) {
  auto late = connections::makeVariableMem(false);
  wxTimer timer;
  timer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { late->set(true); });
  timer.StartOnce(static_cast<int>(limit.count()));
  connections::runEventLoopUntil(condition || late);
  timer.Stop();
  return condition->get();
}

// Lets the toolkit handle what is pending (presents, paints).
void settle() {
  for (int i = 0; i < 5; ++i) {
    wxTheApp->ProcessPendingEvents();
    wxYield();
    std::this_thread::sleep_for(5ms);
  }
}

// The window's pixels as the screen shows them.
wxImage readBack(wxWindow* window) {
  settle();
  const wxSize size = window->GetClientSize();
  wxBitmap bitmap(size.x, size.y, 24);
  wxMemoryDC memory(bitmap);
  wxClientDC screen(window);
  memory.Blit(0, 0, size.x, size.y, &screen, 0, 0);
  memory.SelectObject(wxNullBitmap);
  return bitmap.ConvertToImage();
}

bool near(const wxImage& image, int x, int y, Rgb c, int tolerance = 8) {
  return vixo_test::nearColour(image, x, y, c, tolerance);
}

class MediaWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    // Failures go to the standard error stream, not into message boxes that wait for a click.
    delete wxLog::SetActiveTarget(new wxLogStderr);
    if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG)) wxInitAllImageHandlers();
    frame = new wxFrame(nullptr, wxID_ANY, "media", wxPoint(0, 0), wxSize(600, 400));
    frame->Show();
    settle();
  }
  void TearDown() override {
    frame->Destroy();
    settle();
  }

  // A plain child window of the frame, the way the players' picture panel is, once it is on
  // screen (it had its first paint), so that what is drawn into it can be read back.
  wxWindow* panel(wxPoint at, wxSize size) {
    auto* window = new wxWindow(frame, wxID_ANY, at, size);
    window->SetBackgroundColour(*wxLIGHT_GREY);
    auto painted = std::make_shared<bool>(false);
    window->Bind(wxEVT_PAINT, [painted](wxPaintEvent& event) {
      *painted = true;
      event.Skip();
    });
    window->Refresh();
    const auto limit = std::chrono::steady_clock::now() + 10s;
    while (!*painted && size.x > 0 && std::chrono::steady_clock::now() < limit) settle();
    return window;
  }

  std::string barsVideo(const std::string& name, int frames) {
    const std::string path = folder / name;
    const std::string error = vixo_test::writeBarsVideo(path, 64, 48, frames, 25);
    EXPECT_EQ(error, "");
    return path;
  }

  vixo_test::TempFolder folder;
  wxFrame* frame = nullptr;
};

// --- videos

TEST_F(MediaWindowTest, AColourBarVideoShowsItsColoursTheRightWayUp) {
  wxWindow* picture = panel({10, 10}, {128, 96});
  auto file = openMedia({fromUtf8(barsVideo("bars.mkv", 5)), true, 1, 0});
  ASSERT_TRUE(loopUntil(file->opened()));
  ASSERT_TRUE(file->isValid());
  ASSERT_TRUE(file->play(NativeWindow{picture}));
  ASSERT_TRUE(loopUntil(file->idle()));
  auto& painter = static_cast<FFmpegVideoFile&>(*file).getWindowPainter();
  EXPECT_EQ(painter.getPictureSize(), (FrameSize{128, 96}));
  const auto counts = painter.getCounts();
  EXPECT_EQ(counts.painted, 5u);
  EXPECT_EQ(counts.presented + counts.dropped, 5u);

  // The last frame stays in the window after the end. A loaded X server may take a moment to
  // show it: the window is read until it shows the bars (or 3 s have passed).
  const auto showsBars = [](const wxImage& image) {
    for (int y : {20, 72})
      for (int x : {16, 48, 80, 112})
        if (!near(image, x, y, barColour(x / 2, y / 2, 64, 48))) return false;
    return true;
  };
  wxImage shown = readBack(picture);
  const auto limit = std::chrono::steady_clock::now() + 3s;
  while (!showsBars(shown) && std::chrono::steady_clock::now() < limit) shown = readBack(picture);
  ASSERT_TRUE(shown.IsOk());
  for (int y : {20, 72}) {
    for (int x : {16, 48, 80, 112}) {
      const Rgb expected = barColour(x / 2, y / 2, 64, 48);
      EXPECT_TRUE(near(shown, x, y, expected))
          << "at " << x << "," << y << ": " << pixelText(shown, x, y);
    }
  }
}

// A picture shown at its own size is what the ffmpeg command decodes, pixel for pixel within 2
// codes: colour detail of a 4:4:4 source at an odd size survives the conversion to B, G, R and
// the painter's copy into the window.
TEST_F(MediaWindowTest, AVideoAtItsOwnSizeShowsTheColoursTheCommandDecodes) {
  constexpr int kWidth = 157, kHeight = 119, kFrames = 2;
  const std::string path = folder / "stripes 444.mkv";
  ASSERT_EQ(vixo_test::writeStripesWithCommand(path, kWidth, kHeight, kFrames,
                                               "-c:v ffv1 -pix_fmt yuv444p"),
            "");
  const std::string decoded = vixo_test::bgr24ByCommand(path);
  const size_t frameBytes = static_cast<size_t>(kWidth) * kHeight * 3;
  ASSERT_EQ(decoded.size(), frameBytes * kFrames);
  const auto* last = reinterpret_cast<const uint8_t*>(decoded.data()) + frameBytes;

  wxWindow* picture = panel({10, 10}, {kWidth, kHeight});
  auto file = openMedia({fromUtf8(path), true, 1, 0});
  ASSERT_TRUE(loopUntil(file->opened()));
  ASSERT_TRUE(file->play(NativeWindow{picture}));
  ASSERT_TRUE(loopUntil(file->idle()));
  ASSERT_EQ(static_cast<FFmpegVideoFile&>(*file).getWindowPainter().getPictureSize(),
            (FrameSize{kWidth, kHeight}));
  // The worst sample of the window against the last frame; the X server may take a moment.
  const auto worstDifference = [&](const wxImage& shown) {
    int worst = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) {
        const uint8_t* bgr = last + (static_cast<size_t>(y) * kWidth + x) * 3;
        worst = std::max({worst, std::abs(shown.GetBlue(x, y) - bgr[0]),
                          std::abs(shown.GetGreen(x, y) - bgr[1]),
                          std::abs(shown.GetRed(x, y) - bgr[2])});
      }
    return worst;
  };
  int worst = worstDifference(readBack(picture));
  const auto limit = std::chrono::steady_clock::now() + 3s;
  while (worst > 2 && std::chrono::steady_clock::now() < limit)
    worst = worstDifference(readBack(picture));
  EXPECT_LE(worst, 2);
}

TEST_F(MediaWindowTest, TwoVideosStartedTogetherPlayTogether) {
  wxWindow* left = panel({0, 0}, {128, 96});
  wxWindow* right = panel({200, 0}, {128, 96});
  vixo_test::TestVideos videos;
  const std::wstring path = fromUtf8(videos.path("ffv1.mkv"));
  auto a = openMedia({path, true, 1, 0});
  auto b = openMedia({path, true, 1, 0});
  ASSERT_TRUE(loopUntil(a->opened() && b->opened()));
  ASSERT_TRUE(a->isValid() && b->isValid());
  ASSERT_TRUE(a->play(NativeWindow{left}));
  ASSERT_TRUE(b->play(NativeWindow{right}));
  ASSERT_TRUE(loopUntil(a->idle() && b->idle()));
  auto& fileA = static_cast<FFmpegVideoFile&>(*a);
  auto& fileB = static_cast<FFmpegVideoFile&>(*b);
  EXPECT_EQ(fileA.getShown(), 30);
  EXPECT_EQ(fileB.getShown(), 30);
  EXPECT_EQ(fileA.getWindowPainter().getCounts().painted, 30u);
  EXPECT_EQ(fileB.getWindowPainter().getCounts().painted, 30u);
  const int64_t offset = fileA.getPlayback().startTime - fileB.getPlayback().startTime;
  // Within one frame of each other (the bench measures how close).
  EXPECT_LT(std::abs(offset), fileA.getFrameDuration()) << "started " << offset << " ns apart";
}

TEST_F(MediaWindowTest, APainterWithoutAPictureSizeSkipsEveryFrame) {
  wxWindow* empty = panel({0, 0}, {0, 0});
  auto file = openMedia({fromUtf8(barsVideo("bars.mkv", 3)), true, 1, 0});
  ASSERT_TRUE(loopUntil(file->opened()));
  ASSERT_TRUE(file->play(NativeWindow{empty}));
  ASSERT_TRUE(loopUntil(file->idle()));
  EXPECT_EQ(file->getPositionMs(), 120) << "the frames keep their time";
  const auto counts = static_cast<FFmpegVideoFile&>(*file).getWindowPainter().getCounts();
  EXPECT_EQ(counts.skipped, 3u);
  EXPECT_EQ(counts.painted, 0u);
  // A window that is not there at all.
  auto other = openMedia({fromUtf8(folder / "bars.mkv"), false, 0, 0});
  ASSERT_TRUE(loopUntil(other->opened()));
  ASSERT_TRUE(other->play(NativeWindow{}));
  ASSERT_TRUE(loopUntil(other->idle()));
  EXPECT_EQ(other->getPositionMs(), 120);
  EXPECT_EQ(static_cast<FFmpegVideoFile&>(*other).getWindowPainter().getCounts().skipped, 3u);
}

TEST_F(MediaWindowTest, AWindowDestroyedWhileItsVideoPlaysEndsNothingButThePicture) {
  wxWindow* picture = panel({0, 0}, {64, 48});
  auto file = openMedia({fromUtf8(barsVideo("bars.mkv", 25)), true, 1, 0});
  ASSERT_TRUE(loopUntil(file->opened()));
  ASSERT_TRUE(file->play(NativeWindow{picture}));
  auto& video = static_cast<FFmpegVideoFile&>(*file);
  ASSERT_TRUE(loopUntil(video.stateExpression() == connections::makeConstant(VideoFile::Playing)));
  wxMilliSleep(100);
  picture->Destroy();
  ASSERT_TRUE(loopUntil(file->idle()));
  EXPECT_EQ(video.getShown(), 25);
  file.reset();  // the painter lets a window go that is gone already
  settle();
}

TEST_F(MediaWindowTest, ClosingAPlayingVideoReturnsPromptly) {
  wxWindow* picture = panel({0, 0}, {64, 48});
  auto file = openMedia({fromUtf8(barsVideo("bars.mkv", 250)), true, 3, 0});
  ASSERT_TRUE(loopUntil(file->opened()));
  ASSERT_TRUE(file->play(NativeWindow{picture}));
  wxMilliSleep(200);
  const auto started = std::chrono::steady_clock::now();
  file.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - started, 500ms);
  settle();
}

// --- still images

std::string writePicture(const std::string& path, int w, int h) {
  wxImage picture(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb c = barColour(x, y, w, h);
      picture.SetRGB(x, y, c.r, c.g, c.b);
    }
  EXPECT_TRUE(picture.SaveFile(wxString::FromUTF8(path), wxBITMAP_TYPE_PNG));
  return path;
}

TEST_F(MediaWindowTest, AStillImageShowsInItsControlForItsDisplayTime) {
  const std::string path = writePicture(folder / "bars ünïcode.png", 40, 20);
  auto* control =
      new wxStaticBitmap(frame, wxID_ANY, wxBitmap(1, 1), wxPoint(0, 0), wxSize(80, 40));
  settle();
  auto file = openMedia({fromUtf8(path), true, 1, 300});
  ASSERT_TRUE(loopUntil(file->opened()));
  ASSERT_TRUE(file->isValid());
  EXPECT_TRUE(file->isStillImage());
  EXPECT_EQ(file->getSize(), (FrameSize{40, 20}));
  EXPECT_EQ(file->getDurationMs(), 300);
  EXPECT_FALSE(file->play(NativeWindow{frame})) << "a still image is not painted";

  const int64_t started = monotonicNs();
  ASSERT_TRUE(file->play(control));
  ASSERT_TRUE(loopUntil(file->idle()));
  EXPECT_GE(monotonicNs() - started, 300'000'000);
  EXPECT_EQ(file->getProgress(), 1.0);

  const wxImage shown = control->GetBitmap().ConvertToImage();
  ASSERT_EQ(shown.GetWidth(), 80);
  ASSERT_EQ(shown.GetHeight(), 40);
  for (int y : {8, 32})
    for (int x : {8, 28, 48, 72})
      EXPECT_TRUE(near(shown, x, y, barColour(x / 2, y / 2, 40, 20)))
          << "at " << x << "," << y << ": " << pixelText(shown, x, y);

  // The thumbnail keeps the picture's R, G, B order.
  RawImage thumbnail;
  ASSERT_TRUE(file->drawCurrent(thumbnail, 400, 200));
  EXPECT_EQ(thumbnail.getInfo().width, 40);
  const uint8_t* red = thumbnail.row(0, 2) + 3 * 2;
  EXPECT_EQ(red[0], 255);
  EXPECT_EQ(red[2], 0);

  auto copy = file->clone();
  ASSERT_TRUE(loopUntil(copy->opened()));
  EXPECT_TRUE(copy->isValid());
  EXPECT_EQ(copy->getDurationMs(), 300);
}

TEST_F(MediaWindowTest, APictureThatCannotBeDecodedFailsQuietly) {
  auto* control = new wxStaticBitmap(frame, wxID_ANY, wxBitmap(1, 1));
  const std::string text = folder.makeFile("photo.png", "not a picture");
  for (const std::string& path : {text, folder / "missing.jpg", folder.path() + "/.png"}) {
    SCOPED_TRACE(path);
    auto file = openMedia({fromUtf8(path), true, 1, 300});
    ASSERT_TRUE(file->isStillImage());
    ASSERT_TRUE(loopUntil(file->opened()));
    EXPECT_FALSE(file->isValid());
    EXPECT_EQ(file->getState(), VideoFile::Closed);
    EXPECT_FALSE(file->play(control));
    RawImage thumbnail;
    EXPECT_FALSE(file->drawCurrent(thumbnail, 400, 200));
  }
}

// --- opening by extension

// A named pipe dropped onto the editor's list, as a video or as a picture: the open is over at
// once, the file is not valid, and dropping it does not wait for a thread held in an open.
TEST_F(MediaWindowTest, APipeNamedLikeAMediaFileFailsToOpenAndClosesPromptly) {
  for (const char* name : {"clip.mp4", "picture.png"}) {
    SCOPED_TRACE(name);
    vixo_test::TestFifo fifo(folder / name);
    ASSERT_TRUE(fifo.made());
    auto file = openMedia({fromUtf8(fifo.path()), false, 0, 100});
    EXPECT_TRUE(loopUntil(file->opened(), 2s));
    EXPECT_FALSE(file->isValid());
    const auto started = std::chrono::steady_clock::now();
    file.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - started, 1s);
    EXPECT_FALSE(fifo.releasedAReader()) << "the pipe was opened";
  }
}

TEST_F(MediaWindowTest, TheExtensionChoosesTheKindOfFile) {
  vixo_test::TestVideos videos;
  const std::string video = videos.path("ffv1.mkv");
  const std::string picture = writePicture(folder / "picture.png", 8, 8);
  struct Row {
    const char* name;
    const std::string& content;
    bool still;
    bool valid;
  };
  const Row rows[] = {
      {"photo.JPG", picture, true, true},    {"photo.jpeg", picture, true, true},
      {"scan.tif", picture, true, true},     {"scan.TIFF", picture, true, true},
      {"clip.MP4", video, false, true},      {"clip.xyz", video, false, true},
      {"clip", video, false, true},          {"video.png", video, true, false},
      {"picture.avi", picture, false, true},  // FFmpeg reads a PNG as a one-frame video
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string path = folder / row.name;
    std::filesystem::copy_file(row.content, path,
                               std::filesystem::copy_options::overwrite_existing);
    auto file = openMedia({fromUtf8(path), false, 0, 100});
    EXPECT_EQ(file->isStillImage(), row.still);
    ASSERT_TRUE(loopUntil(file->opened()));
    EXPECT_EQ(file->isValid(), row.valid);
  }
  auto webp = openMedia({fromUtf8(folder.makeFile("x.webp", "RIFF....WEBP")), false, 0, 100});
  EXPECT_FALSE(webp->isStillImage());
  ASSERT_TRUE(loopUntil(webp->opened()));
  EXPECT_FALSE(webp->isValid());

  EXPECT_EQ(videoExtensions().size(), 26u);
  EXPECT_EQ(videoExtensions().front(), L".avi");
  EXPECT_EQ(videoExtensions().back(), L".3gpp");
  EXPECT_EQ(imageExtensions(),
            (std::vector<std::wstring>{L".bmp", L".gif", L".jpg", L".jpeg", L".png", L".tif",
                                       L".tiff", L".pcx", L".pnm", L".tga", L".xpm"}));
}

TEST_F(MediaWindowTest, StoringAFileUnderAKnownPathReleasesTheOlderOne) {
  const std::wstring path = fromUtf8(writePicture(folder / "p.png", 8, 8));
  std::map<std::wstring, std::shared_ptr<VideoFile>> table;
  auto first = openMedia({path, false, 0, 100});
  std::weak_ptr<VideoFile> old = first;
  storeVideoFile(table, path, std::move(first));
  storeVideoFile(table, path, openMedia({path, false, 0, 100}));
  EXPECT_EQ(table.size(), 1u);
  EXPECT_TRUE(old.expired());
}

// --- the bounded loader

TEST_F(MediaWindowTest, TheLoaderOpensThreeAtATimeInOrder) {
  std::vector<std::wstring> paths;
  for (int i = 0; i < 5; ++i)
    paths.push_back(fromUtf8(writePicture(folder / ("p" + std::to_string(i) + ".png"), 8, 8)));
  LimitedLoader loader(3);
  std::vector<std::shared_ptr<LimitedLoader::LoadContract>> contracts;
  for (const auto& path : paths) contracts.push_back(loader.enqueue({path, false, 0, 0}));
  EXPECT_EQ(loader.activeCount(), 3u);
  EXPECT_EQ(loader.queuedCount(), 2u);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(contracts[i]->getFile() != nullptr, i < 3) << i;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(contracts[i]->getFile()->getPath(), paths[i]);
    ASSERT_TRUE(loopUntil(contracts[i]->getLoaded()));
    EXPECT_TRUE(contracts[i]->getFile()->isValid());
  }
  EXPECT_FALSE(contracts[3]->getLoaded()->get());

  contracts[1].reset();  // a finished open frees its place: the fourth starts
  ASSERT_TRUE(contracts[3]->getFile());
  EXPECT_EQ(contracts[3]->getFile()->getPath(), paths[3]);
  EXPECT_FALSE(contracts[4]->getFile());
  ASSERT_TRUE(loopUntil(contracts[3]->getLoaded()));
  contracts[0].reset();
  ASSERT_TRUE(contracts[4]->getFile());
  ASSERT_TRUE(loopUntil(contracts[4]->getLoaded()));
  EXPECT_EQ(loader.queuedCount(), 0u);
}

TEST_F(MediaWindowTest, TheLoaderAndItsContractsMayGoInEitherOrder) {
  const std::wstring path = fromUtf8(writePicture(folder / "p.png", 8, 8));
  const std::wstring missing = fromUtf8(folder / "missing.png");
  // A contract dropped while queued is never opened.
  {
    LimitedLoader loader(1);
    auto first = loader.enqueue({path, false, 0, 0});
    auto dropped = loader.enqueue({missing, false, 0, 0});
    auto third = loader.enqueue({path, false, 0, 0});
    dropped.reset();
    first.reset();
    EXPECT_EQ(loader.activeCount(), 1u);
    ASSERT_TRUE(third->getFile());
    EXPECT_EQ(third->getFile()->getPath(), path);
    ASSERT_TRUE(loopUntil(third->getLoaded()));
  }
  // The loader goes first: its queued contracts with it, the ones held by callers later.
  std::shared_ptr<LimitedLoader::LoadContract> active, queued;
  {
    LimitedLoader loader(1);
    active = loader.enqueue({path, false, 0, 0});
    queued = loader.enqueue({path, false, 0, 0});
  }
  ASSERT_TRUE(loopUntil(active->getLoaded()));
  EXPECT_TRUE(active->getFile()->isValid());
  EXPECT_FALSE(queued->getFile());
  active.reset();
  queued.reset();
}

}  // namespace
