#include "ftp/ftp_file.h"

#include <sys/types.h>

#include "avifile/avi_system.h"

namespace nsFTP {

CFile::~CFile() { Close(); }

bool CFile::Open(const std::wstring& path, const char* mode) {
  Close();
  m_strFileName = path;
  std::string native;
  if (!toNativePath(path, native) || native.empty()) return false;
  m_pFile = std::fopen(native.c_str(), mode);
  return m_pFile != nullptr;
}

void CFile::Close() {
  if (m_pFile) std::fclose(m_pFile);
  m_pFile = nullptr;
}

int64_t CFile::GetLocalStreamSize() const {
  if (!m_pFile) return 0;
  const off_t position = ftello(m_pFile);
  if (position < 0 || fseeko(m_pFile, 0, SEEK_END) != 0) return 0;
  const off_t size = ftello(m_pFile);
  fseeko(m_pFile, position, SEEK_SET);
  return size < 0 ? 0 : static_cast<int64_t>(size);
}

void CFile::SetLocalStreamOffset(int64_t offset) {
  if (m_pFile) fseeko(m_pFile, static_cast<off_t>(offset), SEEK_SET);
}

void CFile::OnBytesReceived(const char* buffer, size_t count) {
  if (m_pFile) std::fwrite(buffer, 1, count, m_pFile);
}

bool CFile::OnPreBytesSend(char* buffer, size_t capacity, size_t& count) {
  count = 0;
  if (!m_pFile) return true;
  count = std::fread(buffer, 1, capacity, m_pFile);
  // A short read is the end only when the stream says so; a read error is no end of file.
  return count == capacity || !std::ferror(m_pFile);
}

}  // namespace nsFTP
