#include "avifile/avi_desktop.h"

#include <gio/gio.h>
#include <wx/clipbrd.h>
#include <wx/cursor.h>
#include <wx/dataobj.h>
#include <wx/window.h>

#include "avifile/avi_system.h"

bool setClipboardText(const std::wstring& text) {
  wxClipboardLocker locker;
  if (!locker) return false;
  wxTheClipboard->Clear();
  if (!wxTheClipboard->SetData(new wxTextDataObject(wxString(text.c_str())))) return false;
  // Leaves the text with a clipboard manager (where one runs) so it outlives the program.
  wxTheClipboard->Flush();
  return true;
}

namespace {

// The file manager's ShowItems; true when a file manager took the request.
bool askFileManager(const char* uri) {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!bus) {
    g_clear_error(&error);
    return false;
  }
  const gchar* uris[] = {uri, nullptr};
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
      "org.freedesktop.FileManager1", "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr,
      G_DBUS_CALL_FLAGS_NONE, 3000, nullptr, &error);
  g_object_unref(bus);
  if (!reply) {
    g_clear_error(&error);
    return false;
  }
  g_variant_unref(reply);
  return true;
}

}  // namespace

void showInExplorer(const std::wstring& path) {
  std::wstring file = path;
  // A path that is not on disk is still shown where it would be. Its steps are resolved before
  // getFullPath reads backslashes as separators, so a backslash stays part of a name for "..".
  if (!resolveFinalPath(file)) file = getFullPath(canonicalizePath(path));
  const std::string native = toUtf8(file);
  if (native.empty()) return;
  gchar* uri = g_filename_to_uri(native.c_str(), nullptr, nullptr);
  if (!uri) return;
  if (!askFileManager(uri)) {
    const PathParts parts = splitPath(file);
    gchar* folder = g_filename_to_uri(toUtf8(parts.directory).c_str(), nullptr, nullptr);
    if (folder) g_app_info_launch_default_for_uri(folder, nullptr, nullptr);
    g_free(folder);
  }
  g_free(uri);
}

void hideCursor(wxWindow& window, bool& guard) {
  if (guard) return;
  window.SetCursor(wxCursor(wxCURSOR_BLANK));
  guard = true;
}

void restoreCursor(wxWindow& window, bool& guard) {
  if (!guard) return;
  window.SetCursor(wxNullCursor);
  guard = false;
}
