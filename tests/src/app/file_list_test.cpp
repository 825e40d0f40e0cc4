// The file list on real files: their information and thumbnails arrive from the background
// while the window stays interactive, at most three files are open at once, a path examined once
// is never opened again, a row removed while its file loads stays gone, and files dropped on the
// list join it.
#include <gtest/gtest.h>
#include <wx/image.h>
#include <wx/statbmp.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/file_list.h"
#include "avifile/avi_system.h"
#include "editor_fixture.h"
#include "support/gui_pump.h"
#include "support/run_command.h"
#include "support/screenshot.h"
#include "support/test_video.h"
#include "task/validation.h"

namespace {

using vixo_test::EditorTest;
using vixo_test::pumpUntil;

class FileListTest : public EditorTest {
 protected:
  // A still image of one colour.
  std::string writeImage(const std::string& name, int width, int height, unsigned char r,
                         unsigned char g, unsigned char b) {
    wxImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), r, g, b);
    const std::string path = folder / name;
    EXPECT_TRUE(image.SaveFile(wxString::FromUTF8(path), wxBITMAP_TYPE_PNG));
    return path;
  }
  bool allLoaded() {
    if (!w->pendingLoads.empty()) return false;
    for (unsigned row = 0; row < w->model->GetCount(); ++row)
      if (!w->rowData(row)->info.opened) return false;
    return true;
  }
  wxString cell(unsigned row, unsigned column) {
    wxVariant value;
    w->model->GetValueByRow(value, row, column);
    if (value.GetType() == "wxDataViewIconText") {
      wxDataViewIconText iconText;
      iconText << value;
      return iconText.GetText();
    }
    return value.GetString();
  }
  // The status icon of a row, told apart by the three icons' pictures.
  std::string statusIcon(unsigned row) {
    wxVariant value;
    w->model->GetValueByRow(value, row, 0);
    wxDataViewIconText iconText;
    iconText << value;
    const auto same = [&](const wxIcon& icon) { return iconText.GetIcon().IsSameAs(icon); };
    if (same(w->fileLoadingIcon)) return "loading";
    if (same(w->fileOkIcon)) return "ok";
    if (same(w->fileErrorIcon)) return "error";
    return "?";
  }

  vixo_test::TestVideos videos;
};

TEST_F(FileListTest, InformationAndThumbnailsArriveFromTheBackground) {
  const std::string video = videos.path("ffv1.mkv");  // 64x48, 30 frames at 25 per second
  const std::string image = writeImage("red.png", 640, 200, 255, 0, 0);
  const std::string missing = folder / "missing.avi";
  addFiles({video, image, missing});
  ASSERT_EQ(w->model->GetCount(), 3u);
  EXPECT_EQ(statusIcon(0), "loading");
  EXPECT_EQ(cell(0, 1), "");

  // The window answers while the files load: a selection is taken at once.
  selectRows({1});
  EXPECT_TRUE(w->canRemove->get());

  ASSERT_TRUE(pumpUntil([&] { return allLoaded(); }, std::chrono::seconds(20)));
  EXPECT_TRUE(w->loader.activeCount() == 0 && w->loader.queuedCount() == 0);

  EXPECT_EQ(statusIcon(0), "ok");
  EXPECT_EQ(cell(0, 1), "64x48");
  EXPECT_EQ(w->rowData(0)->info.durationMs, 1200);
  EXPECT_EQ(cell(0, 2), wxString::FromUTF8(formatDuration(1200)));
  ASSERT_TRUE(w->rowData(0)->thumbnail);
  EXPECT_EQ(w->rowData(0)->thumbnail->GetSize(), wxSize(64, 48)) << "never enlarged";
  // The first frame's picture: its number in black and white cells.
  const wxImage& frame = *w->rowData(0)->thumbnail;
  EXPECT_EQ(vixo_test::frameNumberOfPacked24(frame.GetData(), 64 * 3, 64, 48), 0);

  EXPECT_EQ(statusIcon(1), "ok");
  EXPECT_EQ(cell(1, 1), "640x200");
  EXPECT_EQ(cell(1, 2), "[var]");
  ASSERT_TRUE(w->rowData(1)->thumbnail);
  EXPECT_EQ(w->rowData(1)->thumbnail->GetSize(), wxSize(400, 125)) << "fits 400 x 200";
  const wxImage& red = *w->rowData(1)->thumbnail;
  EXPECT_EQ(red.GetRed(200, 60), 255);
  EXPECT_EQ(red.GetGreen(200, 60), 0);
  EXPECT_EQ(red.GetBlue(200, 60), 0);

  EXPECT_EQ(statusIcon(2), "error");
  EXPECT_EQ(cell(2, 1), "");
  EXPECT_EQ(cell(2, 2), "");
  EXPECT_FALSE(w->rowData(2)->thumbnail);

  // The selected row that has a thumbnail now shows it; the failed one the placeholder.
  selectRows({1});
  EXPECT_EQ(w->thumbnail.GetSize(), wxSize(400, 125));
  selectRows({2});
  EXPECT_EQ(w->thumbnail.GetSize(), w->videoNotLoadedPicture->GetBitmap().GetSize());

  // Known paths come from the cache: no loading icon, and a file that opened is not opened
  // again. The files that failed keep showing the failure while they are examined again.
  addFiles({video, missing});
  ASSERT_EQ(w->model->GetCount(), 5u);
  EXPECT_EQ(statusIcon(3), "ok");
  EXPECT_EQ(cell(3, 1), "64x48");
  EXPECT_EQ(statusIcon(4), "error");
  EXPECT_FALSE(w->rowData(0)->contract || w->rowData(1)->contract || w->rowData(3)->contract);
  EXPECT_TRUE(w->rowData(2)->contract && w->rowData(4)->contract);
  EXPECT_EQ(w->rowData(3)->thumbnail, w->rowData(0)->thumbnail);
  ASSERT_TRUE(pumpUntil([&] { return allLoaded(); }, std::chrono::seconds(20)));
  EXPECT_EQ(statusIcon(2), "error");
  EXPECT_EQ(statusIcon(4), "error");
}

TEST_F(FileListTest, TheValidationIsRefreshedWhenTheLastFileIsIn) {
  editProperty("method", wxVariant(1L));  // DSIS: the files of group 1 are checked
  addFiles({videos.path("ffv1.mkv"), folder / "missing.avi"});
  // Until the files are examined nothing is known not to open.
  EXPECT_EQ(headline().find("can't open"), std::string::npos) << headline();
  ASSERT_TRUE(pumpUntil([&] { return allLoaded(); }, std::chrono::seconds(20)));
  EXPECT_NE(headline().find("1 warning(s)"), std::string::npos) << headline();
  EXPECT_EQ(w->summaryLink->GetLabel(), headline());
  bool named = false;
  for (const ValidationMessage& message : validateTask(w->task, L"", w->infoCache))
    named = named || message.text == L"Can't open file missing.avi";
  EXPECT_TRUE(named);
}

// Files an operator adds through "All files": a text file and a sound without pictures (made with
// the ffmpeg command) do not open, and neither does a clip not on the disk yet. Only the files
// known not to open are counted, also while the others are still being examined; the clip, once
// on the disk, is shown as opening after the next change of the task.
TEST_F(FileListTest, FilesThatDoNotOpenAreCountedAndARestoredFileOpensAgain) {
  std::ofstream(folder / "notes.txt") << "f0 is the reference\n";
  int status = 0;
  vixo_test::runCommand("ffmpeg -v error -y -f lavfi -i sine=duration=0.5 " +
                            vixo_test::shellQuote(folder / "tone.wav") + " 2>&1",
                        status);
  ASSERT_EQ(status, 0);
  const std::string restored = folder / "restored.mkv";
  editProperty("method", wxVariant(1L));  // DSIS: the files of group 1 are checked
  addFiles({videos.path("ffv1.mkv"), folder / "notes.txt", folder / "tone.wav",
            videos.path("mpeg4.avi"), restored});
  selectRows({0});
  menu(w->setReferenceMenuItem);
  // Nothing is known not to open before the files have been examined.
  EXPECT_EQ(headline(), "Ready");
  ASSERT_TRUE(pumpUntil([&] { return allLoaded(); }, std::chrono::seconds(20)));
  EXPECT_EQ(headline(), "Warning: can't open 3 file(s)");
  EXPECT_EQ(statusIcon(4), "error");

  ASSERT_EQ(vixo_test::writeVideo(restored, vixo_test::VideoSpec()), "");
  typeName("x");
  ASSERT_TRUE(pumpUntil([&] { return statusIcon(4) == "ok"; }, std::chrono::seconds(20)));
  ASSERT_TRUE(pumpUntil([&] { return allLoaded(); }, std::chrono::seconds(20)));
  EXPECT_EQ(headline(), "Warning: can't open 2 file(s)");
  EXPECT_EQ(cell(4, 1), "64x48");
  EXPECT_EQ(statusIcon(1), "error");
  EXPECT_EQ(statusIcon(2), "error");
}

TEST_F(FileListTest, AtMostThreeFilesAreOpenAtOnce) {
  std::vector<std::string> paths;
  for (int i = 0; i < 7; ++i)
    paths.push_back(writeImage("still" + std::to_string(i) + ".png", 32, 16, 0, 0, 255));
  addFiles(paths);
  EXPECT_LE(w->loader.activeCount(), 3u);
  EXPECT_EQ(w->loader.activeCount() + w->loader.queuedCount(), 7u);
  size_t mostActive = 0;
  ASSERT_TRUE(pumpUntil(
      [&] {
        mostActive = std::max(mostActive, w->loader.activeCount());
        return allLoaded();
      },
      std::chrono::seconds(20)));
  EXPECT_LE(mostActive, 3u);
  for (unsigned row = 0; row < 7; ++row) EXPECT_EQ(cell(row, 1), "32x16") << row;
}

TEST_F(FileListTest, ARowRemovedWhileItsFileLoadsStaysGone) {
  std::vector<std::string> paths;
  for (int i = 0; i < 5; ++i)
    paths.push_back(writeImage("gone" + std::to_string(i) + ".png", 32, 16, 0, 255, 0));
  addFiles(paths);
  selectRows({0, 1, 2, 3});
  menu(w->removeFilesMenuItem);
  ASSERT_EQ(w->model->GetCount(), 1u);
  ASSERT_TRUE(pumpUntil([&] { return allLoaded(); }, std::chrono::seconds(20)));
  EXPECT_EQ(w->model->GetCount(), 1u);
  EXPECT_EQ(w->task.files.size(), 1u);
  EXPECT_EQ(cell(0, 1), "32x16");
  EXPECT_EQ(w->loader.activeCount() + w->loader.queuedCount(), 0u);
}

TEST_F(FileListTest, DroppedFilesJoinTheListAndTheHighlightGoes) {
  auto* target = dynamic_cast<WndMain::DropTarget*>(w->fileList->GetDropTarget());
  ASSERT_NE(target, nullptr);
  const wxColour normal = w->fileList->GetBackgroundColour();

  EXPECT_EQ(target->OnEnter(10, 10, wxDragCopy), wxDragCopy);
  EXPECT_EQ(w->fileList->GetBackgroundColour(), wxColour(247, 255, 185));
  target->OnLeave();
  EXPECT_EQ(w->fileList->GetBackgroundColour(), normal);

  EXPECT_FALSE(target->OnDropFiles(10, 10, wxArrayString()));
  EXPECT_TRUE(w->task.files.empty());

  target->OnEnter(10, 10, wxDragCopy);
  wxArrayString names;
  names.Add(wxString::FromUTF8(folder / "a.avi"));
  names.Add(wxString::FromUTF8(folder / "sub"));  // a folder is added like a file
  names.Add(wxString::FromUTF8(folder / "other/a.avi"));
  EXPECT_TRUE(target->OnDropFiles(10, 10, names));
  EXPECT_EQ(w->fileList->GetBackgroundColour(), normal);
  ASSERT_EQ(w->task.files.size(), 3u);
  EXPECT_EQ(w->task.files[0].id, L"a.avi");
  EXPECT_EQ(w->task.files[1].id, L"sub");
  // One drop is one command: its files are not compared with each other.
  EXPECT_EQ(w->task.files[2].id, L"a.avi");
  EXPECT_EQ(w->task.files[2].group, 1);
  EXPECT_TRUE(w->canUndo->get());
}

TEST_F(FileListTest, AFullListOnScreenWhileThumbnailsArrive) {
  w->Show();
  w->SetSize(1000, 600);
  std::vector<std::string> paths;
  for (const char* name : {"ffv1.mkv", "mpeg4.avi", "h264.mp4", "mjpeg.avi", "bgr24.mkv"})
    paths.push_back(videos.path(name));
  const unsigned char shades[][3] = {{230, 60, 40}, {40, 160, 230}, {250, 210, 40}};
  for (int i = 0; i < 9; ++i)
    paths.push_back(writeImage("still" + std::to_string(i) + ".png", 320, 180, shades[i % 3][0],
                               shades[i % 3][1], shades[i % 3][2]));
  paths.push_back(folder / "missing.avi");
  addFiles(paths);
  // The operator works on while the files load: grouping the first rows is taken at once.
  ASSERT_FALSE(w->pendingLoads.empty());
  selectRows({0, 5, 6});
  menu(w->setGroupMenu->FindItemByPosition(2));
  selectRows({1, 7});
  menu(w->setGroupMenu->FindItemByPosition(3));
  selectRows({0});
  menu(w->setReferenceMenuItem);
  selectRows({14});
  menu(w->setGroupMenu->FindItemByPosition(0));
  EXPECT_EQ(w->task.files[5].group, 2);
  EXPECT_EQ(w->task.files[14].group, 0);

  ASSERT_TRUE(pumpUntil([&] { return allLoaded(); }, std::chrono::seconds(30)));
  selectRows({5});
  EXPECT_EQ(w->thumbnail.GetSize(), wxSize(320, 180));
  vixo_test::saveScreenshot(w, "editor_full_file_list");
}

}  // namespace
