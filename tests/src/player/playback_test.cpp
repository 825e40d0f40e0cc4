// Question playback on the full-screen window with colour-bar videos written at test time: the
// pictures read back from the screen (place, size, colours) for one and two pictures, the
// progress strip, the keys while playing, the pause synchronisation, the cursor, a file that
// cannot be played, and the display test.
#include <gtest/gtest.h>
#include <wx/dcmemory.h>
#include <wx/hyperlink.h>
#include <wx/panel.h>
#include <wx/statbmp.h>
#include <wx/uiaction.h>

#include <chrono>
#include <functional>

#include "media/ffmpeg_video_file.h"
#include "src/player/player_fixture.h"
#include "support/bars_video.h"
#include "support/pixels.h"
#include "support/screenshot.h"

namespace {

using namespace vixo_test;
using Clock = std::chrono::steady_clock;

// The first pixel-exact point of a picture panel is compared against the bars the picture
// shows; scaling blurs the borders of the bars, so points are taken inside them.
bool near(const wxImage& image, int x, int y, Rgb c, int tolerance = 12) {
  return nearColour(image, x, y, c, tolerance);
}

// Checks that the screen shows the bars picture scaled into the rectangle of the window: the
// centre of each of the eight bars, and the background just outside the rectangle.
void expectBarsAt(const wxImage& screen, const wxRect& r, Rgb background) {
  for (int row = 0; row < 2; ++row) {
    for (int bar = 0; bar < 4; ++bar) {
      const int x = r.x + (2 * bar + 1) * r.width / 8;
      const int y = r.y + (2 * row + 1) * r.height / 4;
      const Rgb c = barColour((2 * bar + 1) * 64 / 8, (2 * row + 1) * 48 / 4, 64, 48);
      EXPECT_TRUE(near(screen, x, y, c)) << "bar " << bar << " row " << row << " at " << x << ","
                                         << y << ": " << pixelText(screen, x, y);
    }
  }
  for (const wxPoint outside :
       {wxPoint(r.x - 2, r.y + r.height / 2), wxPoint(r.GetRight() + 2, r.y + r.height / 2),
        wxPoint(r.x + r.width / 2, r.y - 2), wxPoint(r.x + r.width / 2, r.GetBottom() + 2)}) {
    EXPECT_TRUE(near(screen, outside.x, outside.y, background, 2))
        << "outside at " << outside.x << "," << outside.y << ": "
        << pixelText(screen, outside.x, outside.y);
  }
}

// A video file that notes every volume level handed to it.
class VolumeRecordingFile : public FFmpegVideoFile {
 public:
  explicit VolumeRecordingFile(const std::wstring& path) : FFmpegVideoFile(path, true, 1) {}
  bool setVolume(int32_t volume) override {
    volumes.push_back(volume);
    return FFmpegVideoFile::setVolume(volume);
  }
  std::vector<int32_t> volumes;  // GUI thread only
};

// Lets paused files play on when a check leaves its block early, so that the pass ends.
struct ResumeAtEnd {
  std::vector<std::shared_ptr<VideoFile>> files;
  ~ResumeAtEnd() {
    for (const auto& file : files) file->setPaused(false);
  }
};

class PlaybackTest : public PlayerTest {
 protected:
  // A colour-bar clip (FFV1, 25 frames per second).
  std::wstring bars(const std::string& name, int width, int height, int frames) {
    const std::string path = folder / name;
    EXPECT_EQ(writeBarsVideo(path, width, height, frames, 25), "");
    return fromUtf8(path);
  }
  // A DSIS task of the clips, the first the reference, with the display settings of the test.
  Task task(const std::vector<std::wstring>& paths) {
    Task t;
    t.name = L"Playback";
    for (size_t i = 0; i < paths.size(); ++i)
      t.files.push_back({L"f" + std::to_wstring(i), paths[i], 1});
    t.references = {0};
    t.properties["method"] = makeStringValue("DSIS");
    t.properties["trainingQuestions"] = Any::of(0LL);
    t.properties["shuffleSources"] = Any::of(false);
    t.properties["relativePaths"] = Any::of(false);
    t.properties["scaling"] = makeStringValue("Upscale or downscale");
    t.properties["bgColor"] = Any::of(static_cast<long long>(0x402010));  // blue 0x40, red 0x10
    return t;
  }
  // The media files of the question playing now.
  static std::vector<std::shared_ptr<VideoFile>> playing(ScriptedDefaultPlayer& player) {
    std::vector<std::shared_ptr<VideoFile>> files;
    for (const auto& [path, weak] : player.loadedTask->openedFiles)
      if (auto file = weak.lock(); file && !file->idle()->get()) files.push_back(file);
    return files;
  }
  static bool all(const std::vector<std::shared_ptr<VideoFile>>& files, VideoFile::State state) {
    return std::all_of(files.begin(), files.end(),
                       [state](const auto& f) { return f->getState() == state; });
  }

  static constexpr Rgb kBackground{0x10, 0x20, 0x40};
  TempFolder folder;
  PromptLog prompts;
};

TEST_F(PlaybackTest, OnePictureFillsTheWindowLessItsMarginsWithTheProgressStripAbove) {
  const std::wstring clip = bars("bars.mkv", 64, 48, 12);
  PlayerPass pass(task({clip, clip}), L"");
  ScriptedDefaultPlayer& player = *pass.player;
  bool checked = false;
  player.onPlaying = [&] {
    if (checked) return;
    checked = true;
    auto* window = player.fullScreenWnd;
    EXPECT_EQ(window->GetRect(), wxRect(0, 0, 1280, 1024));
    // The cursor goes while the picture plays.
    EXPECT_TRUE(loopUntil([&] { return window->getCursorCount() == -1; }));
    const auto files = playing(player);
    ASSERT_EQ(files.size(), 1u);
    pressKey(window, WXK_SPACE);
    const ResumeAtEnd resume{files};
    EXPECT_TRUE(all(files, VideoFile::Paused));
    EXPECT_TRUE(loopUntil([&] { return window->getCursorCount() == 0; }));
    loopUntil([] { return false; }, 150ms);  // the newest frame is presented

    // margin 5, strip 4: aw = 1152, ah = 918; fit = min(918 / 48, 1152 / 64) = 18
    const wxRect picture(64, 4 + 78, 1152, 864);
    EXPECT_EQ(window->firstVideoPanel->GetScreenRect(), picture);
    EXPECT_FALSE(window->secondVideoPanel->IsShown());
    const wxImage screen = grabWindow(window);
    ASSERT_TRUE(screen.IsOk());
    expectBarsAt(screen, picture, kBackground);
    // The strip: the bar's share of the width in blue, the rest white.
    EXPECT_TRUE(window->progressShown->get());
    EXPECT_GT(window->progress, 0.0f);
    const int bar = static_cast<int>(1280 * window->progress);
    EXPECT_EQ(window->progressBarPanel->GetSize(), wxSize(bar, 4));
    EXPECT_TRUE(near(screen, bar / 2, 1, {0, 0, 255}, 2)) << pixelText(screen, bar / 2, 1);
    EXPECT_TRUE(near(screen, 1278, 1, {255, 255, 255}, 2)) << pixelText(screen, 1278, 1);
    saveImage(screen, "fullscreen_one_picture");

    pressKey(window, WXK_SPACE);  // again: playback goes on
    EXPECT_TRUE(all(files, VideoFile::Playing));
  };
  pass.run();
  EXPECT_TRUE(checked);
  EXPECT_TRUE(pass.play->isFinished());
  EXPECT_EQ(player.fullScreenWnd->getCursorCount(), 0);
  EXPECT_FALSE(player.fullScreenWnd->progressShown->get());
}

TEST_F(PlaybackTest, TwoPicturesShareOneHeightWithEqualGaps) {
  const std::wstring wide = bars("wide.mkv", 64, 48, 12);
  const std::wstring narrow = bars("narrow.mkv", 32, 48, 12);
  Task t = task({wide, narrow});
  t.properties["method"] = makeStringValue("SCACJ");
  t.properties["progress"] = Any::of(false);
  PlayerPass pass(t, L"");
  ScriptedDefaultPlayer& player = *pass.player;
  bool checked = false;
  player.onPlaying = [&] {
    if (checked) return;
    checked = true;
    auto* window = player.fullScreenWnd;
    const auto files = playing(player);
    ASSERT_EQ(files.size(), 2u);
    pressKey(window, WXK_SPACE);
    const ResumeAtEnd resume{files};
    EXPECT_TRUE(all(files, VideoFile::Paused));
    loopUntil([] { return false; }, 150ms);

    // aw = 1088, ah = 921.6; u = 2, fit = min(921, 544) = 544: 725 x 544 and 363 x 544, the
    // three gaps of 64 each. The pair's sides are drawn at random.
    std::wstring pair;
    for (const auto& call : player.calls)
      if (call.starts_with(L"playVideoPair|")) pair = call;
    const bool wideFirst = pair.starts_with(L"playVideoPair|" + wide);
    const int w1 = wideFirst ? 725 : 363, w2 = wideFirst ? 363 : 725;
    const wxRect first(64, 240, w1, 544), second(64 + w1 + 64, 240, w2, 544);
    EXPECT_EQ(window->firstVideoPanel->GetScreenRect(), first);
    EXPECT_EQ(window->secondVideoPanel->GetScreenRect(), second);
    EXPECT_FALSE(window->progressShown->get());
    const wxImage screen = grabWindow(window);
    ASSERT_TRUE(screen.IsOk());
    // The narrow picture shows the same bars squeezed: the bars are checked on the wide one,
    // the place of both through their edges.
    expectBarsAt(screen, wideFirst ? first : second, kBackground);
    saveImage(screen, "fullscreen_two_pictures");
    pressKey(window, WXK_SPACE);
  };
  pass.run();
  EXPECT_TRUE(checked);
}

TEST_F(PlaybackTest, SpacePausesOnlyWhenTheTaskAllowsIt) {
  const std::wstring clip = bars("bars.mkv", 64, 48, 12);
  for (const bool allowed : {false, true}) {
    SCOPED_TRACE(allowed);
    Task t = task({clip, clip});
    t.properties["pauseAllowed"] = Any::of(allowed);
    PlayerPass pass(t, L"");
    int checks = 0;
    pass.player->onPlaying = [&] {
      const auto files = playing(*pass.player);
      pressKey(pass.player->fullScreenWnd, WXK_SPACE);
      EXPECT_TRUE(all(files, allowed ? VideoFile::Paused : VideoFile::Playing));
      pressKey(pass.player->fullScreenWnd, WXK_SPACE);
      EXPECT_TRUE(all(files, VideoFile::Playing));
      ++checks;
    };
    pass.run();
    EXPECT_EQ(checks, 2);
    EXPECT_TRUE(pass.play->isFinished());
  }
}

// Esc pauses and asks; "Continue test" resumes what played before and leaves paused what was
// paused; "Exit saving progress" ends the playback with the cursor back.
TEST_F(PlaybackTest, EscAsksAndContinueResumesWhatPlayedBefore) {
  const std::wstring clip = bars("bars.mkv", 64, 48, 12);
  PlayerPass pass(task({clip, clip}), L"");
  std::vector<VideoFile::State> whileAsked;
  prompts.answer = [&](const vixo::Prompt& p) {
    if (p.caption != "Test not finished") return static_cast<int>(wxID_OK);
    for (const auto& f : playing(*pass.player)) whileAsked.push_back(f->getState());
    return static_cast<int>(wxID_CANCEL);
  };
  int playbacks = 0;
  pass.player->onPlaying = [&] {
    auto* window = pass.player->fullScreenWnd;
    const auto files = playing(*pass.player);
    if (playbacks++ == 0) {
      pressKey(window, WXK_ESCAPE);
      EXPECT_TRUE(all(files, VideoFile::Playing));
      EXPECT_TRUE(window->IsShown());
    } else {
      pressKey(window, WXK_SPACE);
      pressKey(window, WXK_ESCAPE);
      EXPECT_TRUE(all(files, VideoFile::Paused));
      pressKey(window, WXK_SPACE);
    }
  };
  pass.run();
  EXPECT_EQ(playbacks, 2);
  EXPECT_EQ(whileAsked, (std::vector<VideoFile::State>{VideoFile::Paused, VideoFile::Paused}));
  EXPECT_TRUE(pass.play->isFinished());

  PlayerPass stopped(task({clip, clip}), L"");
  // The cursor is back while the observer is asked.
  int cursorWhileAsked = -99;
  prompts.answer = [&](const vixo::Prompt&) {
    cursorWhileAsked = stopped.player->fullScreenWnd->getCursorCount();
    return static_cast<int>(wxID_YES);
  };
  stopped.player->onPlaying = [&] {
    EXPECT_TRUE(loopUntil([&] { return stopped.player->fullScreenWnd->getCursorCount() == -1; }));
    pressKey(stopped.player->fullScreenWnd, WXK_ESCAPE);
  };
  stopped.run();
  EXPECT_TRUE(stopped.player->windowClosed->get());
  EXPECT_EQ(cursorWhileAsked, 0);
  EXPECT_TRUE(loopUntil([&] { return !stopped.player->fullScreenWnd; }));
}

// At film and television rates a frame does not last whole milliseconds; the files still line up
// on the frame of the furthest, not one frame short of it.
TEST_F(PlaybackTest, WhenEveryFileIsPausedTheyAllGoToTheFurthestPosition) {
  for (const char* rate : {"25", "24", "30000/1001", "30", "60000/1001", "60"}) {
    SCOPED_TRACE(rate);
    std::vector<std::wstring> clips;
    for (const char* name : {"a.mkv", "b.mkv"}) {
      const std::string path = folder / name;
      ASSERT_EQ(writeVideoWithCommand(path, 64, 48, 40, rate, "-c:v ffv1"), "");
      clips.push_back(fromUtf8(path));
    }
    Task t = task(clips);
    t.properties["method"] = makeStringValue("SCACJ");
    PlayerPass pass(t, L"");
    bool checked = false;
    // The nested loop of a check may end early when a loop around it is asked to exit: it runs
    // again until the condition holds or 10 s have passed.
    const auto waitFor = [](const std::function<bool()>& condition) {
      const auto end = Clock::now() + 10s;
      while (!condition() && Clock::now() < end)
        loopUntil(condition,
                  std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()));
      return condition();
    };
    pass.player->onPlaying = [&] {
      if (checked) return;
      checked = true;
      const auto files = playing(*pass.player);
      ASSERT_EQ(files.size(), 2u);
      const ResumeAtEnd resume{files};
      files[0]->setPaused(true);
      // The other one plays on; a busy machine may take a while to decode its next frame.
      EXPECT_TRUE(waitFor([&] { return files[1]->getPositionMs() > files[0]->getPositionMs(); }));
      files[1]->setPaused(true);
      const int64_t furthest = files[1]->getPositionMs();
      EXPECT_GT(furthest, files[0]->getPositionMs());
      EXPECT_TRUE(waitFor([&] { return files[0]->getPositionMs() == furthest; }))
          << files[0]->getPositionMs() << " vs " << furthest;
      EXPECT_EQ(files[1]->getPositionMs(), furthest);
      const auto shown = [](const std::shared_ptr<VideoFile>& f) {
        return static_cast<FFmpegVideoFile&>(*f).getShown();
      };
      EXPECT_EQ(shown(files[0]), shown(files[1]));
      for (const auto& f : files) f->setPaused(false);
    };
    pass.run();
    EXPECT_TRUE(checked);
  }
}

TEST_F(PlaybackTest, RealKeysReachThePlayback) {
  const std::wstring clip = bars("bars.mkv", 64, 48, 12);
  PlayerPass pass(task({clip, clip}), L"");
  bool paused = false;
  pass.player->onPlaying = [&] {
    if (paused) return;
    const auto files = playing(*pass.player);
    pass.player->fullScreenWnd->Raise();
    wxUIActionSimulator keys;
    keys.Char(WXK_SPACE);
    paused = loopUntil([&] { return all(files, VideoFile::Paused); }, 2s);
    keys.Char(WXK_SPACE);
  };
  pass.run();
  EXPECT_TRUE(paused);
}

TEST_F(PlaybackTest, FileThatCannotBePlayedInterruptsThePass) {
  const std::wstring clip = bars("bars.mkv", 64, 48, 3);
  PlayerPass pass(task({clip, clip}), L"");
  pass.player->fullScreenWnd->present();
  auto files = pass.player->openVideos({clip});
  pass.player->waitUntilReady(files);
  files[0]->stop();  // opened and valid, but it can no longer start
  EXPECT_FALSE(pass.player->playVideoRange(files));
  ASSERT_EQ(prompts.seen.size(), 1u);
  EXPECT_EQ(prompts.seen[0].caption, "Error opening file");
  EXPECT_EQ(prompts.seen[0].text, "Can't play video. Test will be interrupted");
  EXPECT_EQ(prompts.seen[0].style & (wxOK | wxICON_ERROR), wxOK | wxICON_ERROR);
  EXPECT_TRUE(pass.player->interruptRequested->get());
  EXPECT_EQ(pass.player->fullScreenWnd->getCursorCount(), 0);
  // A stop is requested: the next playback returns at once.
  EXPECT_FALSE(pass.player->playVideo(L"", clip));
}

TEST_F(PlaybackTest, DisplayTestMovesAWhiteSquareAcrossPictureA) {
  ScriptedDefaultPlayer player;
  auto* window = player.fullScreenWnd;
  wxImage seen;
  wxRect panel;
  int barWidth = 0;
  wxTimer look;
  look.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    if (!window->IsShown()) return;
    panel = window->firstVideoPanel->GetScreenRect();
    barWidth = window->progressBarPanel->GetSize().x;
    seen = grabWindow(window);
  });
  look.StartOnce(700);
  const auto start = Clock::now();
  player.runDisplayTest(0);
  const auto took = Clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(76 * 20 - 100));
  EXPECT_FALSE(window->IsShown());

  // margin 10 on 1280 x 1024 with the strip: the largest square in 80 percent, 816 x 816.
  EXPECT_EQ(panel.GetSize(), wxSize(816, 816));
  EXPECT_EQ(barWidth, 640);  // the progress of a window that has not played: one half
  ASSERT_TRUE(seen.IsOk());
  // The white square: a tenth of the panel, on its diagonal.
  wxRect white;
  for (int y = panel.y; y <= panel.GetBottom(); ++y)
    for (int x = panel.x; x <= panel.GetRight(); ++x)
      if (near(seen, x, y, {255, 255, 255}, 0)) white.Union(wxRect(x, y, 1, 1));
  ASSERT_FALSE(white.IsEmpty());
  EXPECT_EQ(white.GetSize(), wxSize(81, 81));
  const int offset = white.x - panel.x;
  EXPECT_EQ(white.y - panel.y, offset);
  EXPECT_GT(offset, 0);
  EXPECT_LT(offset, 734);
}

// The arrow keys step the level handed to the files within 0..100; a task without sound hands
// them 0 whatever the level.
TEST_F(PlaybackTest, ArrowKeysSetTheVolumeOfTheFilesAndATaskWithoutSoundMutesThem) {
  const std::wstring clip = bars("bars.mkv", 64, 48, 12);
  struct Case {
    bool audio;
    std::vector<int32_t> volumes;
  } cases[] = {
      {true, {100, 90, 80, 90, 100, 100}},
      {false, {0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.audio);
    Task t = task({clip});
    t.properties["audio"] = Any::of(c.audio);
    ScriptedDefaultPlayer player;
    player.task = &t;
    player.fullScreenWnd->present();
    auto file = std::make_shared<VolumeRecordingFile>(clip);
    wxTimer keys;
    keys.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
      if (file->getState() != VideoFile::Playing) return;
      keys.Stop();
      for (const int key : {WXK_DOWN, WXK_DOWN, WXK_UP, WXK_UP, WXK_UP})
        pressKey(player.fullScreenWnd, key);
    });
    keys.Start(2);
    EXPECT_TRUE(player.playVideoRange({file}));
    keys.Stop();
    EXPECT_EQ(file->volumes, c.volumes);
  }
}

// The observer's answer chooses the sequence: 'A' plays the first, any other answer the second
// (told apart by the size of the picture panel); nothing plays once a stop is requested.
TEST_F(PlaybackTest, ChosenSequencePlaysTheAnsweredOne) {
  const std::wstring a = bars("a.mkv", 64, 48, 6);
  const std::wstring b = bars("b.mkv", 32, 48, 6);
  Task t = task({a, b});
  t.properties["scaling"] = makeStringValue("Only downscale");
  t.properties["pauseAllowed"] = Any::of(false);
  struct Case {
    char answer;
    char played;
    wxSize panel;
  } cases[] = {{'A', 'A', {64, 48}}, {'B', 'B', {32, 48}}, {0, 'B', {32, 48}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.answer));
    ScriptedDefaultPlayer player;
    player.task = &t;
    player.beforeVideoKey = c.answer;
    EXPECT_EQ(player.playChosenSequence(L"Choose", a, b), c.played);
    EXPECT_EQ(player.calls, std::vector<std::wstring>{L"beforeVideo|Choose|1|0|0"});
    EXPECT_EQ(player.fullScreenWnd->firstVideoPanel->GetMinSize(), c.panel);
    EXPECT_FALSE(player.fullScreenWnd->twoPictures->get());
  }
  ScriptedDefaultPlayer stopped;
  stopped.task = &t;
  stopped.beforeVideoKey = 'A';
  stopped.interrupter.forceInterrupt();
  EXPECT_EQ(stopped.playChosenSequence(L"Choose", a, b), 0);
  EXPECT_TRUE(stopped.calls.empty());
}

// The online test's address: the link below its picture, which fills panel A fitted into the
// window less margins of 15 percent; the next picture layout takes both away.
TEST_F(PlaybackTest, LinkShowsTheAddressBelowItsPicture) {
  ScriptedDefaultPlayer player;
  auto* window = player.fullScreenWnd;
  window->present();
  // Left half black, right half white.
  wxBitmap drawn(100, 100);
  {
    wxMemoryDC dc(drawn);
    dc.SetBackground(*wxWHITE_BRUSH);
    dc.Clear();
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.DrawRectangle(0, 0, 50, 100);
  }
  window->showLink("http://10.0.0.5:8080/", drawn.ConvertToImage());
  EXPECT_TRUE(window->linkShown->get());
  EXPECT_EQ(window->addressLink->GetURL(), "http://10.0.0.5:8080/");
  EXPECT_EQ(window->addressLink->GetLabel(), "http://10.0.0.5:8080/");
  EXPECT_FALSE(window->progressShown->get());
  EXPECT_FALSE(window->secondVideoPanel->IsShown());
  // 70 percent of 1280 x 1024: 896 x 716.8, so the picture becomes 716 x 716.
  EXPECT_EQ(window->firstVideoPanel->GetMinSize(), wxSize(716, 716));
  EXPECT_TRUE(window->firstImagePicture->IsShown());
  EXPECT_EQ(window->firstImagePicture->GetBitmap().GetSize(), wxSize(716, 716));
  EXPECT_TRUE(window->linkPanel->IsShown());

  loopUntil([] { return false; }, 100ms);
  const wxRect picture = window->firstVideoPanel->GetScreenRect();
  const wxRect link = window->linkPanel->GetScreenRect();
  EXPECT_EQ(picture.GetSize(), wxSize(716, 716));
  EXPECT_GT(link.y, picture.GetBottom());
  const wxImage screen = grabWindow(window);
  ASSERT_TRUE(screen.IsOk());
  const int y = picture.y + picture.height / 2;
  EXPECT_TRUE(near(screen, picture.x + picture.width / 4, y, {0, 0, 0}, 2));
  EXPECT_TRUE(near(screen, picture.x + 3 * picture.width / 4, y, {255, 255, 255}, 2));
  saveImage(screen, "fullscreen_link");

  window->showOnePicture(true, false, 5, 64, 48);
  EXPECT_FALSE(window->linkShown->get());
  EXPECT_FALSE(window->linkPanel->IsShown());
  EXPECT_FALSE(window->firstImagePicture->IsShown());
}

}  // namespace
