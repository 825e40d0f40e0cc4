// The web page's files: where a "/static/" request is looked for, never outside its root, and
// the content type of a file. Every function may be called from any thread; nothing is cached.
#pragma once

#include <string>

// The file that the rest of a "/static/" path names, or empty when it lies outside the root.
// The root is the folder "static_html" in `programFolder`, or the folder named by the first
// line (trimmed) of "conf_redirect.txt" there, taken relative to `programFolder`. The path is
// resolved without looking at the disk ("." and ".." steps, '\' read as '/'); it must keep
// every component of the root. A redirect line that is not UTF-8 gives no root at all.
std::wstring staticFilePath(const std::wstring& programFolder, const std::wstring& rest);

// The MIME type for an extension with its dot, in any letter case; "application/octet-stream"
// for an unknown one.
std::string mimeTypeForPath(const std::wstring& extension);

// The whole content of a regular file; false, with `content` empty, for a folder, a device, a
// missing or unreadable file.
bool readStaticFile(const std::wstring& path, std::string& content);
