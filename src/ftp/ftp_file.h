// The local file end of an FTP transfer: a C stream opened by its wide path.
#pragma once

#include <cstdio>
#include <string>

#include "ftp/ftp_client.h"

namespace nsFTP {

class CFile : public CFTPClient::ITransferNotification {
 public:
  CFile() = default;
  ~CFile() override;
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // Opens the file with a C stream mode ("rb"); false when it cannot be opened.
  bool Open(const std::wstring& path, const char* mode);
  void Close();
  bool IsOpen() const { return m_pFile != nullptr; }

  std::wstring GetLocalStreamName() const override { return m_strFileName; }
  // 0 without a file.
  int64_t GetLocalStreamSize() const override;
  void SetLocalStreamOffset(int64_t offset) override;
  void OnBytesReceived(const char* buffer, size_t count) override;
  // Count 0 at the end of the file (and without a file); false on a read error.
  bool OnPreBytesSend(char* buffer, size_t capacity, size_t& count) override;

 private:
  FILE* m_pFile = nullptr;
  std::wstring m_strFileName;
};

}  // namespace nsFTP
