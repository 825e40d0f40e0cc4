// Text at the FTP client's boundary with the wire and the system: UTF-8 out, and in, UTF-8 where
// the bytes are UTF-8 and one character per byte (Latin-1) where they are not, so that a reply
// from a server that speaks another code page still shows its code and text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace nsFTP {

// The bytes as text: their UTF-8 reading, or one character per byte when they are not UTF-8.
std::wstring toWide(std::string_view bytes);
// The UTF-8 bytes of the text; false when a character cannot be encoded.
bool toNarrow(const std::wstring& text, std::string& bytes);
// The number at text[at..] as the C library's string-to-long reads it: ASCII blanks, a sign,
// then decimal digits up to the first other character; none gives 0. Saturates instead of
// overflowing.
int64_t readLong(const std::wstring& text, size_t at = 0);

}  // namespace nsFTP
