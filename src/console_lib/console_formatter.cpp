#include "console_lib/console_formatter.h"

#include <algorithm>
#include <sstream>

namespace MEQA::Formatter {

namespace {

Width addWidths(Width a, Width b) { return a > unbounded - b ? unbounded : a + b; }

}  // namespace

float StrElem::stretch() const { return 0; }

StrElem::~StrElem() = default;

std::shared_ptr<StrElem> Str::clone() const { return std::make_shared<Str>(*this); }

void Str::print(std::wostream& out, Width) const {
  for (char c : text_) out.put(static_cast<wchar_t>(static_cast<unsigned char>(c)));
}

std::shared_ptr<StrElem> Glue::clone() const { return std::make_shared<Glue>(*this); }

void Glue::print(std::wostream& out, Width width) const {
  for (Width i = 0; i < width; ++i) out.put(fill_);
}

std::wostream& operator<<(std::wostream& out, const FormattedLine& line) {
  line.element().print(out, line.width());
  return out << L'\n';
}

namespace StrList {

std::shared_ptr<StrElem> List::clone() const { return std::make_shared<List>(*this); }

Width List::minWidth() const {
  Width sum = 0;
  for (const auto& child : children_) sum = addWidths(sum, child->minWidth());
  return sum;
}

Width List::maxWidth() const {
  Width sum = 0;
  for (const auto& child : children_) {
    const Width max = child->maxWidth();
    if (max == unbounded) return unbounded;
    sum = addWidths(sum, max);
  }
  return sum;
}

float List::stretch() const {
  float sum = 0;
  for (const auto& child : children_) sum += child->stretch();
  return sum;
}

void List::print(std::wostream& out, Width width) const {
  const Width min = minWidth();
  const Width target = std::min(width, maxWidth());
  Width extra = target > min ? target - min : 0;
  float remainingStretch = stretch();

  // Rounding in the shares could leave the last stretchable child a character short; it takes
  // whatever is left instead.
  size_t lastStretchable = children_.size();
  for (size_t i = 0; i < children_.size(); ++i) {
    if (children_[i]->stretch() != 0) lastStretchable = i;
  }

  for (size_t i = 0; i < children_.size(); ++i) {
    const StrElem& child = *children_[i];
    const float childStretch = child.stretch();
    Width granted = child.minWidth();
    if (childStretch != 0 && extra > 0) {
      Width share = extra;
      if (i != lastStretchable) {
        const float exact = static_cast<float>(extra) * childStretch / remainingStretch;
        // Odd stretches (negative, or summing to 0) must not grant more than there is.
        if (!(exact > 0)) {
          share = 0;
        } else if (exact < static_cast<float>(extra)) {
          share = static_cast<Width>(exact);
        }
      }
      granted = addWidths(granted, share);
      extra -= share;
      remainingStretch -= childStretch;
    }
    child.print(out, granted);
  }
}

FormattedLine List::line() const { return FormattedLine(clone(), lineWidth); }

}  // namespace StrList

StrList::List operator+(const std::string& text, const StrElem& element) {
  return StrList::List({std::make_shared<Str>(text), element.clone()});
}

StrList::List operator+(const StrList::List& list, const StrElem& element) {
  std::vector<std::shared_ptr<StrElem>> children = list.children();
  children.push_back(element.clone());
  return StrList::List(std::move(children));
}

StrList::List operator+(const StrList::List& list, const std::string& text) {
  std::vector<std::shared_ptr<StrElem>> children = list.children();
  children.push_back(std::make_shared<Str>(text));
  return StrList::List(std::move(children));
}

}  // namespace MEQA::Formatter

std::wstring makeConsoleBanner() {
  using MEQA::Formatter::Glue;
  const Glue border(L'=', 1);
  const Glue blank(L' ', 1);
  auto centred = [&](const std::string& text) {
    return ("...:::" + blank + text + blank + ":::...").line();
  };

  std::wostringstream out;
  out << ("...:::" + border + ":::...").line();
  out << centred("Orlo Vixo");
  out << centred("Orlo Video Quality Laboratory");
  out << centred("Subjective Quality Assessment Group");
  out << centred("vixo.orlo.example");
  out << centred("vixo@orlo.example");
  out << centred(std::string("Build date: ") + __DATE__);
  out << ("...:::" + border + ":::...").line();
  out << L'\n';
  out << L"Built with wxWidgets, FFmpeg and qrcodegen.\n";
  out << L"Thanks to all the observers who lent us their eyes.\n";
  out << L'\n';
  return out.str();
}
