// One-line console layout in the manner of boxes and glue: fixed texts keep their width, glue
// takes up the room that is left, shared in proportion to its stretch.
//
// Elements are immutable once made and shared between lists, so one glue may sit in several
// lines.
#pragma once

#include <cstddef>
#include <limits>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace MEQA::Formatter {

using Width = std::size_t;
inline constexpr Width unbounded = std::numeric_limits<Width>::max();
// The width of the banner's lines.
inline constexpr Width lineWidth = 70;

class StrElem {
 public:
  virtual std::shared_ptr<StrElem> clone() const = 0;
  virtual Width minWidth() const = 0;
  virtual Width maxWidth() const = 0;
  virtual float stretch() const;
  // Writes the element laid out to the granted width.
  virtual void print(std::wostream& out, Width width) const = 0;
  virtual ~StrElem();
};

// A fixed narrow text, one character per byte.
class Str : public StrElem {
 public:
  explicit Str(std::string text) : text_(std::move(text)) {}
  std::shared_ptr<StrElem> clone() const override;
  Width minWidth() const override { return text_.size(); }
  Width maxWidth() const override { return text_.size(); }
  // Writes the text whatever the width; each byte becomes the character of the same value.
  void print(std::wostream& out, Width width) const override;

 private:
  std::string text_;
};

// Fill: as many fill characters as the width granted.
class Glue : public StrElem {
 public:
  Glue(wchar_t fill, float stretch) : fill_(fill), stretch_(stretch) {}
  std::shared_ptr<StrElem> clone() const override;
  Width minWidth() const override { return 0; }
  Width maxWidth() const override { return unbounded; }
  float stretch() const override { return stretch_; }
  void print(std::wostream& out, Width width) const override;

 private:
  wchar_t fill_;
  float stretch_;
};

// An element with the width it is printed at; streaming it writes the element and a line
// break.
class FormattedLine {
 public:
  FormattedLine(std::shared_ptr<const StrElem> element, Width width)
      : element_(std::move(element)), width_(width) {}
  const StrElem& element() const { return *element_; }
  Width width() const { return width_; }

 private:
  std::shared_ptr<const StrElem> element_;
  Width width_;
};

std::wostream& operator<<(std::wostream& out, const FormattedLine& line);

namespace StrList {

// Children side by side. Copies share the children.
class List : public StrElem {
 public:
  List() = default;
  explicit List(std::vector<std::shared_ptr<StrElem>> children) : children_(std::move(children)) {}

  std::shared_ptr<StrElem> clone() const override;
  Width minWidth() const override;
  Width maxWidth() const override;
  float stretch() const override;
  // The room beyond the minimum goes to the stretchable children in proportion to their
  // stretch; the last of them takes what is left, so the line fills the width exactly whenever
  // the fixed parts fit.
  void print(std::wostream& out, Width width) const override;

  const std::vector<std::shared_ptr<StrElem>>& children() const { return children_; }
  // The list as a line of the banner's width.
  FormattedLine line() const;

 private:
  std::vector<std::shared_ptr<StrElem>> children_;
};

}  // namespace StrList

// Joining makes new lists and leaves its operands unchanged.
StrList::List operator+(const std::string& text, const StrElem& element);
StrList::List operator+(const StrList::List& list, const StrElem& element);
StrList::List operator+(const StrList::List& list, const std::string& text);

}  // namespace MEQA::Formatter

// The framed box of centred lines, with credits below it, that the console run prints.
std::wstring makeConsoleBanner();
