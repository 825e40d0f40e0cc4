// The web page's files: where a "/static/" request is looked for, never outside its root, and
// the content type of a file. Every function may be called from any thread; nothing is cached.
#pragma once

#include <string>

// The root folder of the page's files: the folder "static_html" in `programFolder`, or the
// folder named by the first line (trimmed) of "conf_redirect.txt" there, taken relative to
// `programFolder`. Empty when the redirect line is not UTF-8 (it can name no folder).
std::wstring staticRootFolder(const std::wstring& programFolder);

// The file that the rest of a "/static/" path names, or empty when it lies outside the root
// (staticRootFolder). The path is resolved without looking at the disk ("." and ".." steps, '\'
// read as '/'); it must keep every component of the root. Links are readStaticFile's business.
std::wstring staticFilePath(const std::wstring& programFolder, const std::wstring& rest);
// The same within a root folder found already, so that a request reads "conf_redirect.txt" once.
std::wstring staticFilePathIn(const std::wstring& root, const std::wstring& rest);

// The MIME type for an extension with its dot, in any letter case; "application/octet-stream"
// for an unknown one.
std::string mimeTypeForPath(const std::wstring& extension);

// The whole content of a regular file that really lies in the folder `root`: with every link
// of both paths followed, the file's path must lie inside the root's, so that a link in the
// page's folder cannot hand out a file from elsewhere. False, with `content` empty, for a file
// outside, a folder, a device, a missing or unreadable file.
bool readStaticFile(const std::wstring& path, const std::wstring& root, std::string& content);
