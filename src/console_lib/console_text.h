// Text for the console: the UTF-8 form of wide text, and tables laid out in 80 columns (the
// command line's help).
#pragma once

#include <string>
#include <string_view>
#include <vector>

// Console output is UTF-8. A character that is not a Unicode scalar value (a lone surrogate
// from a broken argument) becomes U+FFFD instead of making the whole text unprintable.
std::string toConsoleUtf8(std::wstring_view text);

// Lays rows of cells out in 80 columns: the columns share 79 characters less one separator
// blank per column in proportion to their weights; cells wrap at blanks, brackets and
// punctuation, and every row is followed by an empty line.
std::wstring layoutTable(const std::vector<unsigned>& weights,
                         const std::vector<std::vector<std::wstring>>& rows);
