#include "console_lib/console_text.h"

#include <algorithm>
#include <cstddef>

#include "avifile/assertion.h"
#include "avifile/avi_system.h"

std::string toConsoleUtf8(std::wstring_view text) {
  static const std::string kReplacement = toUtf8(L"\uFFFD");
  std::string out;
  out.reserve(text.size());
  // One character at a time: toUtf8 refuses a whole text for one bad character.
  for (size_t i = 0; i < text.size(); ++i) {
    const std::string encoded = toUtf8(text.substr(i, 1));
    out += encoded.empty() ? kReplacement : encoded;
  }
  return out;
}

namespace {

constexpr size_t kTableWidth = 80;

bool isClosingBracket(wchar_t c) { return c == L')' || c == L']' || c == L'}'; }
bool isOpeningBracket(wchar_t c) { return c == L'(' || c == L'[' || c == L'{'; }
bool isPunctuation(wchar_t c) {
  return c == L'!' || c == L',' || c == L'.' || c == L':' || c == L'?';
}

struct Piece {
  std::wstring text;
  size_t next;  // where the following piece starts
};

Piece makePiece(const std::wstring& cell, size_t from, size_t to, size_t next) {
  std::wstring text = cell.substr(from, to - from);
  std::replace(text.begin(), text.end(), L'\t', L' ');
  return {std::move(text), next};
}

// The next piece of a cell that fits a column of the given width.
Piece cutPiece(const std::wstring& cell, size_t start, size_t width) {
  const size_t limit = std::min(cell.size(), start + width);
  size_t lastBreak = start;
  for (size_t i = start; i < limit; ++i) {
    const wchar_t c = cell[i];
    if (c == L'\n') return makePiece(cell, start, i, i + 1);
    if (c == L' ' || c == L'\t' || isOpeningBracket(c)) {
      lastBreak = i;
    } else if (isClosingBracket(c) ||
               (isPunctuation(c) && (i + 1 >= cell.size() || !isPunctuation(cell[i + 1])))) {
      lastBreak = i + 1;
    }
  }
  if (limit == cell.size()) return makePiece(cell, start, cell.size(), cell.size());
  if (lastBreak > start) return makePiece(cell, start, lastBreak, lastBreak);
  // At least one character, so that a column of width 0 cannot stall the row.
  const size_t hard = start + std::max<size_t>(width, 1);
  return makePiece(cell, start, hard, hard);
}

}  // namespace

std::wstring layoutTable(const std::vector<unsigned>& weights,
                         const std::vector<std::vector<std::wstring>>& rows) {
  const size_t columns = weights.size();
  if (columns == 0) return std::wstring(rows.size(), L'\n');
  size_t weightSum = 0;
  for (unsigned weight : weights) weightSum += weight;
  VIXO_ASSERT(weightSum > 0);
  const size_t room = kTableWidth - 1 > columns ? kTableWidth - 1 - columns : 0;

  std::vector<size_t> widths;
  size_t begin = 0;
  size_t partial = 0;
  for (unsigned weight : weights) {
    partial += weight;
    const size_t end = partial * room / weightSum;
    widths.push_back(end - begin);
    begin = end;
  }

  std::wstring out;
  static const std::wstring kEmpty;
  for (const auto& row : rows) {
    auto cell = [&](size_t column) -> const std::wstring& {
      return column < row.size() ? row[column] : kEmpty;
    };
    std::vector<size_t> positions(columns, 0);
    auto pending = [&] {
      for (size_t column = 0; column < columns; ++column) {
        if (positions[column] < cell(column).size()) return true;
      }
      return false;
    };
    while (pending()) {
      for (size_t column = 0; column < columns; ++column) {
        out += L' ';
        const std::wstring& text = cell(column);
        std::wstring piece;
        if (positions[column] < text.size()) {
          Piece cut = cutPiece(text, positions[column], widths[column]);
          piece = std::move(cut.text);
          positions[column] = cut.next;
        }
        out += piece;
        if (piece.size() < widths[column]) out.append(widths[column] - piece.size(), L' ');
      }
      out += L'\n';
    }
    out += L'\n';
  }
  return out;
}
