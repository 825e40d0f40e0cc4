#include "ftp/archive_upload.h"

#include <cstdint>
#include <exception>
#include <memory>

#include "avifile/avi_system.h"
#include "ftp/blocking_socket.h"

namespace nsFTP {

namespace {

// strtol's reading of a port: blanks, a sign, digits; saturating like strtol; low 16 bits.
uint16_t readPort(const std::wstring& text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  uint64_t value = 0;
  bool saturated = false;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    value = value * 10 + static_cast<uint64_t>(text[i] - L'0');
    if (value > static_cast<uint64_t>(INT64_MAX)) saturated = true;
    if (saturated) value = static_cast<uint64_t>(INT64_MAX);
  }
  if (saturated)
    value = negative ? static_cast<uint64_t>(INT64_MIN) : value;
  else if (negative)
    value = 0 - value;
  return static_cast<uint16_t>(value & 0xFFFF);
}

}  // namespace

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
    server.port = readPort(value.substr(colon + 1));
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
