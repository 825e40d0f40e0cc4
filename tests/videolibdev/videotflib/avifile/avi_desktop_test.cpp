#include "avifile/avi_desktop.h"

#include <gio/gio.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/clipbrd.h>
#include <wx/dataobj.h>
#include <wx/frame.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>
#include <vector>

#include "avifile/avi_system.h"
#include "support/fake_file_manager.h"
#include "support/temp_folder.h"

namespace {

using vixo_test::FakeFileManager;
namespace fs = std::filesystem;

TEST(Clipboard, TextReadsBackAsWritten) {
  for (const std::wstring& text :
       {std::wstring(L"plain text"), std::wstring(L"\u00e9t\u00e9 \u2713 \U0001F600\n2nd line")}) {
    ASSERT_TRUE(setClipboardText(text));
    wxClipboardLocker locker;
    ASSERT_TRUE(!!locker);
    ASSERT_TRUE(wxTheClipboard->IsSupported(wxDF_UNICODETEXT));
    wxTextDataObject data;
    ASSERT_TRUE(wxTheClipboard->GetData(data));
    EXPECT_EQ(data.GetText().ToStdWstring(), text);
  }
}

class ShowInFileManager : public testing::Test {
 protected:
  void SetUp() override {
    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
      GTEST_SKIP() << "no session bus (scripts/test runs the tests with one)";
    temp_.makeFile("task dir/t\u00e9st.vixo", "{}");
  }
  vixo_test::TempFolder temp_;
  const std::string& root_ = temp_.path();
};

TEST_F(ShowInFileManager, AsksForTheRealPathOfTheFile) {
  FakeFileManager fm;
  ASSERT_TRUE(fm.running());
  fs::create_symlink(root_ + "/task dir", root_ + "/link");
  // through a link and a dot-dot step: the file manager is shown the file's real path
  showInExplorer(fromUtf8(root_ + "/link/../link/t\u00e9st.vixo"));
  gchar* expected =
      g_filename_to_uri((root_ + "/task dir/t\u00e9st.vixo").c_str(), nullptr, nullptr);
  ASSERT_EQ(fm.shown().size(), 1u);
  EXPECT_EQ(fm.shown()[0], expected);
  g_free(expected);

  // a file that does not exist is shown by its canonical path
  showInExplorer(fromUtf8(root_ + "/task dir/./gone.vixo"));
  expected = g_filename_to_uri((root_ + "/task dir/gone.vixo").c_str(), nullptr, nullptr);
  ASSERT_EQ(fm.shown().size(), 2u);
  EXPECT_EQ(fm.shown()[1], expected);
  g_free(expected);
}

TEST_F(ShowInFileManager, WithoutAFileManagerItReturnsQuietly) {
  const auto start = std::chrono::steady_clock::now();
  showInExplorer(fromUtf8(root_ + "/task dir/t\u00e9st.vixo"));
  showInExplorer(L"");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
}

TEST(CursorGuard, HidesOnceAndRestoresExactlyOnce) {
  auto* frame = new wxFrame(nullptr, wxID_ANY, "cursor");
  frame->Show();
  bool guard = false;
  restoreCursor(*frame, guard);  // nothing hidden: nothing to restore
  EXPECT_FALSE(guard);
  EXPECT_FALSE(frame->GetCursor().IsOk());

  hideCursor(*frame, guard);
  EXPECT_TRUE(guard);
  ASSERT_TRUE(frame->GetCursor().IsOk());
  const wxCursor blank = frame->GetCursor();
  hideCursor(*frame, guard);
  EXPECT_TRUE(guard);
  EXPECT_TRUE(frame->GetCursor().IsSameAs(blank));

  restoreCursor(*frame, guard);
  EXPECT_FALSE(guard);
  EXPECT_FALSE(frame->GetCursor().IsOk());
  restoreCursor(*frame, guard);
  EXPECT_FALSE(guard);
  frame->Destroy();
}

}  // namespace
