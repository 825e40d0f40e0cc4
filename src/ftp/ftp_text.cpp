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

int64_t readLong(const std::wstring& text, size_t at) {
  size_t i = at;
  while (i < text.size() && (text[i] == L' ' || (text[i] >= L'\t' && text[i] <= L'\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  int64_t value = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
    if (value > (INT64_MAX - 9) / 10) return negative ? INT64_MIN : INT64_MAX;
    value = value * 10 + (text[i] - L'0');
  }
  return negative ? -value : value;
}

}  // namespace nsFTP
