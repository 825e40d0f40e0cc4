#include "ftp/ftp_text.h"

#include "avifile/avi_system.h"

namespace nsFTP {

std::wstring toWide(std::string_view bytes) {
  std::wstring text = fromUtf8(bytes);
  if (!text.empty() || bytes.empty()) return text;
  text.reserve(bytes.size());
  for (const char c : bytes) text.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
  return text;
}

bool toNarrow(const std::wstring& text, std::string& bytes) {
  bytes = toUtf8(text);
  return bytes.empty() == text.empty();
}

}  // namespace nsFTP
