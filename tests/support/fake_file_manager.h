// A file manager on the session bus (org.freedesktop.FileManager1) that records the files it
// is asked to show, served on a thread of its own while it lives. Needs a session bus.
#pragma once

#include <gio/gio.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vixo_test {

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

}  // namespace vixo_test
