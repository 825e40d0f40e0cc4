#include "ftp/archive_upload.h"

#include <cstdint>
#include <exception>
#include <memory>

#include "avifile/avi_system.h"
#include "ftp/blocking_socket.h"
#include "ftp/ftp_text.h"

namespace nsFTP {

FtpServerAddress parseFtpServer(const std::wstring& text) {
  const std::wstring value = trim(text);
  FtpServerAddress server;
  const size_t at = value.rfind(L'@');
  size_t hostStart = 0;
  if (at != std::wstring::npos) {
    server.user = value.substr(0, at);
    hostStart = at + 1;
  }
  const size_t colon = value.rfind(L':');
  if (colon != std::wstring::npos && colon >= hostStart) {
    server.host = value.substr(hostStart, colon - hostStart);
    // strtol's reading, cut to 16 bits.
    server.port = static_cast<uint16_t>(static_cast<uint64_t>(readLong(value, colon + 1)));
  } else {
    server.host = value.substr(hostStart);
  }
  return server;
}

std::wstring uploadFolder(const std::wstring& folder) {
  const std::wstring value = trim(folder);
  if (value.empty() || value[0] != L'/') return L"/" + value;
  return value;
}

bool uploadArchive(const ArchiveUpload& upload, std::wstring* failure) {
  std::wstring why;
  bool stored = false;
  try {
    const FtpServerAddress server = parseFtpServer(upload.server);
    CFTPClient client(std::make_unique<nsSocket::CBlockingSocket>(), L"/");
    client.SetTimeout(upload.timeoutSeconds);
    FtpLogon logon;
    logon.host = server.host;
    logon.port = server.port;
    logon.user = server.user;
    logon.password = upload.password;
    if (client.Logon(logon)) {
      // A folder the server lacks leaves the upload in the home folder.
      client.ChangeDirectory(uploadFolder(upload.folder));
      stored = client.StoreFile(upload.localPath, upload.remoteName, TransferType{2, 0});
    }
    if (!stored) why = client.LastError();
  } catch (const nsSocket::CBlockingSocketException& e) {
    stored = false;
    why = e.ErrorText();
  } catch (const std::exception& e) {
    stored = false;
    why = fromUtf8(e.what());
  } catch (...) {
    stored = false;
    why = L"unknown failure";
  }
  if (failure) *failure = why;
  return stored;
}

}  // namespace nsFTP
