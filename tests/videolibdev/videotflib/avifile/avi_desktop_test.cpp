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
#include "support/temp_folder.h"

namespace {

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

// A file manager on the session bus that records what it is asked to show.
class FakeFileManager {
 public:
  FakeFileManager() {
    context_ = g_main_context_new();
    loop_ = g_main_loop_new(context_, FALSE);
    thread_ = std::thread([this] { serve(); });
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait_for(lock, std::chrono::seconds(10), [this] { return state_ != kStarting; });
  }
  ~FakeFileManager() {
    g_main_loop_quit(loop_);
    thread_.join();
    g_main_loop_unref(loop_);
    g_main_context_unref(context_);
  }
  bool running() {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_ == kOwned;
  }
  std::vector<std::string> shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
  }

 private:
  enum State { kStarting, kOwned, kFailed };

  void serve() {
    g_main_context_push_thread_default(context_);
    GError* error = nullptr;
    gchar* address = g_dbus_address_get_for_bus_sync(G_BUS_TYPE_SESSION, nullptr, &error);
    GDBusConnection* connection =
        address ? g_dbus_connection_new_for_address_sync(
                      address,
                      GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                           G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
                      nullptr, nullptr, &error)
                : nullptr;
    g_free(address);
    g_clear_error(&error);
    guint owner = 0, object = 0;
    if (connection) {
      static const char kXml[] =
          "<node><interface name='org.freedesktop.FileManager1'>"
          "<method name='ShowItems'><arg type='as' direction='in'/>"
          "<arg type='s' direction='in'/></method></interface></node>";
      GDBusNodeInfo* info = g_dbus_node_info_new_for_xml(kXml, nullptr);
      static const GDBusInterfaceVTable vtable = {&FakeFileManager::onCall, nullptr, nullptr, {}};
      object =
          g_dbus_connection_register_object(connection, "/org/freedesktop/FileManager1",
                                            info->interfaces[0], &vtable, this, nullptr, nullptr);
      g_dbus_node_info_unref(info);
      owner = g_bus_own_name_on_connection(
          connection, "org.freedesktop.FileManager1", G_BUS_NAME_OWNER_FLAGS_NONE,
          [](GDBusConnection*, const gchar*, gpointer self) {
            static_cast<FakeFileManager*>(self)->setState(kOwned);
          },
          [](GDBusConnection*, const gchar*, gpointer self) {
            static_cast<FakeFileManager*>(self)->setState(kFailed);
          },
          this, nullptr);
    } else {
      setState(kFailed);
    }
    g_main_loop_run(loop_);
    if (owner) g_bus_unown_name(owner);
    if (object) g_dbus_connection_unregister_object(connection, object);
    if (connection) {
      g_dbus_connection_flush_sync(connection, nullptr, nullptr);
      g_object_unref(connection);
    }
    g_main_context_pop_thread_default(context_);
  }

  void setState(State s) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (state_ == kStarting || s == kFailed) state_ = s;
    changed_.notify_all();
  }

  static void onCall(GDBusConnection*, const gchar*, const gchar*, const gchar*,
                     const gchar* method, GVariant* parameters, GDBusMethodInvocation* invocation,
                     gpointer self) {
    auto* fm = static_cast<FakeFileManager*>(self);
    if (g_strcmp0(method, "ShowItems") == 0) {
      GVariantIter* uris = nullptr;
      const gchar* startup = nullptr;
      g_variant_get(parameters, "(as&s)", &uris, &startup);
      const gchar* uri;
      std::lock_guard<std::mutex> lock(fm->mutex_);
      while (g_variant_iter_next(uris, "&s", &uri)) fm->shown_.push_back(uri);
      g_variant_iter_free(uris);
    }
    g_dbus_method_invocation_return_value(invocation, nullptr);
  }

  GMainContext* context_;
  GMainLoop* loop_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  State state_ = kStarting;
  std::vector<std::string> shown_;
};

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
