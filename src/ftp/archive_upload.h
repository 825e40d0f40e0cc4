// The upload of a finished pass's archive to the FTP server a task names.
//
// Runs on the caller's thread and blocks it for the whole exchange; every wait on the server
// ends after the time-out (10 seconds), so a silent server cannot hang the pass.
#pragma once

#include <cstdint>
#include <string>

#include "ftp/ftp_client.h"

namespace nsFTP {

// The server of a "[user@]host[:port]" text.
struct FtpServerAddress {
  std::wstring user = L"anonymous";  // when the text names none
  std::wstring host;
  uint16_t port = 21;
};

// Splits a server text, blanks around it dropped: the user runs up to the last "@" (a user
// name may itself hold one, a host name never does); a ":" after the host's start ends the
// host and is followed by the port, read like strtol and cut to 16 bits.
FtpServerAddress parseFtpServer(const std::wstring& text);
// The folder to upload into: trimmed, with "/" in front when it has none.
std::wstring uploadFolder(const std::wstring& folder);

struct ArchiveUpload {
  std::wstring server;     // "[user@]host[:port]"
  std::wstring password;   // used as it stands
  std::wstring folder;     // a folder the server lacks leaves the upload in "/"
  std::wstring localPath;  // the archive
  std::wstring remoteName;
  int timeoutSeconds = CFTPClient::kTimeoutSeconds;
};

// Logs on (no account, no firewall), enters "/" and then the folder, and stores the archive
// in image mode, continuing a partial copy the server holds. True when the server confirmed
// the whole file; on false, failure (when given) says why. Never throws.
bool uploadArchive(const ArchiveUpload& upload, std::wstring* failure = nullptr);

}  // namespace nsFTP
