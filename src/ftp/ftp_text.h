// Text at the FTP client's boundary with the wire and the system: UTF-8 out, and in, UTF-8 where
// the bytes are UTF-8 and one character per byte (Latin-1) where they are not, so that a reply
// from a server that speaks another code page still shows its code and text.
#pragma once

#include <string>
#include <string_view>

namespace nsFTP {

// The bytes as text: their UTF-8 reading, or one character per byte when they are not UTF-8.
std::wstring toWide(std::string_view bytes);
// The UTF-8 bytes of the text; false when a character cannot be encoded.
bool toNarrow(const std::wstring& text, std::string& bytes);

}  // namespace nsFTP
