// Desktop services: the clipboard, showing a file in the file manager and hiding the mouse
// cursor over a window. GUI thread only.
#pragma once

#include <string>

class wxWindow;

// Empties the clipboard and puts the text on it; false when the clipboard cannot be opened
// or written.
bool setClipboardText(const std::wstring& text);

// Opens the folder that holds the file in the file manager with the file selected (the
// freedesktop file manager interface over D-Bus), or just the folder when no file manager
// answers. Works on the file's real path, or its canonical form when it has none. Failures
// are silent.
void showInExplorer(const std::wstring& path);

// The cursor guard is a flag of the window's user: true while it has hidden the cursor over
// the window. Hiding twice hides once; restoring without a hide does nothing, so the cursor
// is restored exactly once.
void hideCursor(wxWindow& window, bool& guard);
void restoreCursor(wxWindow& window, bool& guard);
