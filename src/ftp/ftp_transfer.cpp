// Transfers: type, remote size, passive data connections and storing a file.
#include <arpa/inet.h>

#include "avifile/assertion.h"
#include "ftp/ftp_client.h"
#include "ftp/ftp_file.h"
#include "ftp/ftp_text.h"

namespace nsFTP {

using nsSocket::CBlockingSocketException;

namespace {

bool sendsOrReceives(int commandId) {
  const auto direction = CCommand::Info(commandId).GetDataDirection();
  return direction == CCommand::DataReceive || direction == CCommand::DataSend;
}

}  // namespace

CFTPClient::TResult CFTPClient::SendTypeCommand(const TransferType& type) {
  static const wchar_t* const kTypes[] = {L"A", L"E", L"I", L"L"};
  static const wchar_t* const kFormats[] = {L"", L"N", L"T", L"C"};
  if (type.type < 0 || type.type > 3 || type.format < 0 || type.format > 3) VIXO_ASSERT(false);
  std::vector<std::wstring> arguments{kTypes[type.type]};
  if (type.type == 3) {
    arguments.push_back(L"8");  // local type with bytes of 8 bits
  } else if (type.format != 0) {
    arguments.push_back(kFormats[type.format]);
  }
  FtpReply reply;
  return SimpleCommand(CCommand::TYPE, arguments, reply);
}

CFTPClient::TResult CFTPClient::SetTransferType(const TransferType& type) {
  if (m_oCurrentTransferType && *m_oCurrentTransferType == type) return ResultOk;
  const TResult result = SendTypeCommand(type);
  if (result == ResultOk) {
    m_oCurrentTransferType = type;
  } else {
    m_oCurrentTransferType.reset();
  }
  return result;
}

CFTPClient::TResult CFTPClient::QueryFileSize(const std::wstring& strPath, int64_t& size) {
  FtpReply reply;
  const TResult result = SimpleCommand(CCommand::SIZE, {strPath}, reply);
  if (result == ResultOk) size = reply.Value().size() > 4 ? readLong(reply.Value(), 4) : 0;
  return result;
}

CFTPClient::TResult CFTPClient::EnterPassiveMode(uint32_t& address, uint16_t& port) {
  FtpReply reply;
  const TResult result = SimpleCommand(CCommand::PASV, {}, reply);
  if (reply.Kind() == L'2' && !ParsePassiveAddress(reply.Value(), address, port)) {
    Fail(L"PASV reply without an address: " + reply.Value());
    return ResultError;
  }
  return result;
}

bool CFTPClient::ParsePassiveAddress(const std::wstring& text, uint32_t& address, uint16_t& port) {
  const size_t open = text.find(L'(');
  if (open == std::wstring::npos) return false;
  // Six byte values, the last one closed by ")": four of the address, two of the port.
  uint32_t bytes[6];
  size_t i = open + 1;
  for (int n = 0; n < 6; ++n) {
    const wchar_t end = n == 5 ? L')' : L',';
    uint32_t value = 0;
    size_t digits = 0;
    for (; i < text.size() && text[i] != end; ++i, ++digits) {
      if (text[i] < L'0' || text[i] > L'9') return false;
      value = value * 10 + static_cast<uint32_t>(text[i] - L'0');
      if (value > 255) return false;  // not a byte: the reply names no address
    }
    if (i == text.size() || digits == 0) return false;
    bytes[n] = value;
    ++i;
  }
  address = bytes[0] << 24 | bytes[1] << 16 | bytes[2] << 8 | bytes[3];
  port = static_cast<uint16_t>(bytes[4] << 8 | bytes[5]);
  return true;
}

bool CFTPClient::OpenDataConnection(int commandId, const std::wstring& path,
                                    nsSocket::IBlockingSocket& dataSocket) {
  if (!sendsOrReceives(commandId)) VIXO_ASSERT(false);
  uint32_t address = 0;
  uint16_t port = 0;
  if (EnterPassiveMode(address, port) != ResultOk) return false;
  try {
    dataSocket.Create(SOCK_STREAM);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(address);
    dataSocket.Connect(reinterpret_cast<const sockaddr*>(&target), m_iTimeout);
  } catch (const CBlockingSocketException& e) {
    Fail(e);
    dataSocket.CloseQuietly();
    return false;
  }
  FtpReply reply;
  if (!SendCommandLine(commandId, {path}) || !ReadReply(reply)) return false;
  if (reply.Kind() != L'1') {
    FailReply(commandId, reply);
    return false;
  }
  return true;
}

bool CFTPClient::RunDataCommand(int commandId, const std::wstring& path, const TransferType& type,
                                ITransferNotification& local) {
  if (!sendsOrReceives(commandId)) VIXO_ASSERT(false);
  if (CCommand::Info(commandId).GetDataDirection() != CCommand::DataSend) {
    Fail(L"downloads are not supported");
    return false;
  }
  if (!IsConnected()) {
    Fail(L"not connected");
    return false;
  }
  if (SetTransferType(type) != ResultOk) return false;

  std::unique_ptr<nsSocket::IBlockingSocket> dataSocket = m_apSckControlConnection->NewInstance();
  if (!OpenDataConnection(commandId, path, *dataSocket)) return false;
  bool transferred = SendFileData(local, *dataSocket);
  // Closing tells the server that the file is complete; a failure here goes to the caller.
  dataSocket->Close();
  if (!transferred) return false;
  FtpReply reply;
  if (!ReadReply(reply)) return false;
  if (reply.Kind() != L'2') {
    FailReply(commandId, reply);
    return false;
  }
  return true;
}

bool CFTPClient::SendFileData(ITransferNotification& local, nsSocket::IBlockingSocket& dataSocket) {
  try {
    size_t bytesRead = 0;
    bool readable = local.OnPreBytesSend(m_vBuffer.data(), kBufferSize, bytesRead);
    while (readable && bytesRead > 0) {
      const int iNumWrite =
          dataSocket.Send(m_vBuffer.data(), static_cast<int>(bytesRead), m_iTimeout);
      VIXO_ASSERT(iNumWrite == static_cast<int>(bytesRead));
      readable = local.OnPreBytesSend(m_vBuffer.data(), kBufferSize, bytesRead);
    }
    if (!readable) {
      Fail(L"the local file " + local.GetLocalStreamName() + L" cannot be read");
      dataSocket.CloseQuietly();
      return false;
    }
    return true;
  } catch (const CBlockingSocketException& e) {
    Fail(e);
    dataSocket.CloseQuietly();
    return false;
  }
}

bool CFTPClient::StoreFile(const std::wstring& localPath, const std::wstring& remotePath,
                           const TransferType& type) {
  if (!IsSendableArgument(remotePath)) {
    Fail(L"the remote name holds a line break or a character that cannot be sent");
    return false;
  }
  CFile file;
  if (!file.Open(localPath, "rb")) {
    Fail(L"the local file " + localPath + L" cannot be opened");
    return false;
  }
  // The type comes first: servers answer SIZE only in image mode.
  if (SetTransferType(type) != ResultOk) return false;
  int64_t remoteSize = 0;
  QueryFileSize(remotePath, remoteSize);
  // A partial copy on the server is continued where it ends.
  const bool resume = remoteSize > 0;
  file.SetLocalStreamOffset(resume ? remoteSize : 0);
  const bool stored =
      RunDataCommand(resume ? CCommand::APPE : CCommand::STOR, remotePath, type, file);
  file.Close();
  return stored;
}

}  // namespace nsFTP
