#include "avifile/json.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

#include "avifile/assertion.h"
#include "avifile/avi_system.h"

namespace Brindle {

using JSONElements::Array;
using JSONElements::Boolean;
using JSONElements::Elem;
using JSONElements::Float;
using JSONElements::Integer;
using JSONElements::Kind;
using JSONElements::Member;
using JSONElements::Null;
using JSONElements::Object;
using JSONElements::String;

namespace {

const Null& nullElement() {
  static const Null instance;
  return instance;
}

bool holdsContainer(const Elem* e) { return e && e->isContainer(); }

// Destroys handles without recursion: a container's children are moved onto the work list
// before the container itself goes, so no destructor ever meets a non-empty container.
void releaseTree(std::vector<JSON>& work) {
  while (!work.empty()) {
    JSON item = std::move(work.back());
    work.pop_back();
    Elem* e = item.element();
    if (!e) continue;
    if (e->kind() == Kind::Array) {
      auto& items = static_cast<Array*>(e)->items;
      for (JSON& child : items)
        if (holdsContainer(child.element())) work.push_back(std::move(child));
      items.clear();
    } else if (e->kind() == Kind::Object) {
      auto& members = static_cast<Object*>(e)->members;
      for (auto& m : members)
        if (holdsContainer(m.value.element())) work.push_back(std::move(m.value));
    }
  }
}

const char* skipSpace(const char* p, const char* end) {
  while (p != end &&
         (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r'))
    ++p;
  return p;
}

// Whole-text integer reading: leading white space and one sign accepted, nothing after.
std::unique_ptr<Elem> textToInteger(const std::string& text) {
  const char* p = skipSpace(text.data(), text.data() + text.size());
  const char* end = text.data() + text.size();
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p == end || *p < '0' || *p > '9') return nullptr;
  uint64_t magnitude = 0;
  auto r = std::from_chars(p, end, magnitude);
  if (r.ec != std::errc() || r.ptr != end) return nullptr;
  const uint64_t limit = negative ? uint64_t{1} << 63 : (uint64_t{1} << 63) - 1;
  if (magnitude > limit) return nullptr;
  const int64_t value =
      negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  return std::make_unique<Integer>(value);
}

// Whole-text floating reading: white space, a sign, decimal, hexadecimal, inf and nan forms;
// a value outside the double range gives no result.
std::unique_ptr<Elem> textToFloat(const std::string& text) {
  const char* p = skipSpace(text.data(), text.data() + text.size());
  const char* end = text.data() + text.size();
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p == end || *p == '+' || *p == '-') return nullptr;
  std::chars_format format = std::chars_format::general;
  if (end - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    p += 2;
    format = std::chars_format::hex;
    if (*p == '+' || *p == '-') return nullptr;
  }
  double value = 0;
  auto r = std::from_chars(p, end, value, format);
  if (r.ec != std::errc() || r.ptr != end) return nullptr;
  return std::make_unique<Float>(negative ? -value : value);
}

std::string integerText(int64_t v) {
  char buf[24];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

}  // namespace

// ---------------------------------------------------------------- comparison

namespace {

int kindOrder(const Elem& a, const Elem& b) {
  const int ka = static_cast<int>(a.kind());
  const int kb = static_cast<int>(b.kind());
  return ka < kb ? -1 : (ka > kb ? 1 : 0);
}

// Three-way comparison of two trees without recursion. The first difference in document
// order decides: a different kind by rank, a scalar by value, a key byte-wise, a shorter
// container first.
int compareTrees(const Elem& a, const Elem& b) {
  struct Frame {
    const Elem* a;
    const Elem* b;
    size_t i;
  };
  auto step = [](const Elem& x, const Elem& y, std::vector<Frame>& stack) {
    if (int k = kindOrder(x, y)) return k;
    if (x.isContainer()) {
      stack.push_back({&x, &y, 0});
      return 0;
    }
    return x.compare(y);
  };
  std::vector<Frame> stack;
  if (int r = step(a, b, stack)) return r;
  while (!stack.empty()) {
    Frame& f = stack.back();
    const size_t i = f.i++;
    if (f.a->kind() == Kind::Array) {
      const auto& xa = static_cast<const Array*>(f.a)->items;
      const auto& xb = static_cast<const Array*>(f.b)->items;
      if (i >= xa.size() || i >= xb.size()) {
        if (xa.size() != xb.size()) return xa.size() < xb.size() ? -1 : 1;
        stack.pop_back();
        continue;
      }
      const Elem* ea = xa[i].element() ? xa[i].element() : &nullElement();
      const Elem* eb = xb[i].element() ? xb[i].element() : &nullElement();
      if (int r = step(*ea, *eb, stack)) return r;
    } else {
      const auto& ma = static_cast<const Object*>(f.a)->members;
      const auto& mb = static_cast<const Object*>(f.b)->members;
      if (i >= ma.size() || i >= mb.size()) {
        if (ma.size() != mb.size()) return ma.size() < mb.size() ? -1 : 1;
        stack.pop_back();
        continue;
      }
      if (int c = ma[i].key.compare(mb[i].key)) return c < 0 ? -1 : 1;
      const Elem* ea = ma[i].value.element() ? ma[i].value.element() : &nullElement();
      const Elem* eb = mb[i].value.element() ? mb[i].value.element() : &nullElement();
      if (int r = step(*ea, *eb, stack)) return r;
    }
  }
  return 0;
}

}  // namespace

// ---------------------------------------------------------------- elements

std::unique_ptr<Elem> Elem::clone() const {
  std::unique_ptr<Elem> root = shallowCopy();
  if (!holdsContainer(this)) return root;
  // Containers are filled level by level from a work list of (source, copy) pairs.
  std::vector<std::pair<const Elem*, Elem*>> work{{this, root.get()}};
  auto copyChild = [&work](const JSON& child) {
    const Elem* e = child.element();
    if (!e) return JSON(std::unique_ptr<Elem>());
    std::unique_ptr<Elem> copy = e->shallowCopy();
    if (holdsContainer(e)) work.emplace_back(e, copy.get());
    return JSON(std::move(copy));
  };
  while (!work.empty()) {
    auto [source, target] = work.back();
    work.pop_back();
    if (source->kind() == Kind::Array) {
      const auto& from = static_cast<const Array*>(source)->items;
      auto& to = static_cast<Array*>(target)->items;
      to.reserve(from.size());
      for (const JSON& child : from) to.push_back(copyChild(child));
    } else {
      const auto& from = static_cast<const Object*>(source)->members;
      auto* to = static_cast<Object*>(target);
      for (const auto& m : from) to->appendMember(m.key, copyChild(m.value));
    }
  }
  return root;
}

int Boolean::compare(const Elem& other) const {
  VIXO_ASSERT(other.kind() == kind());
  const bool o = static_cast<const Boolean&>(other).value;
  return value == o ? 0 : (value ? 1 : -1);
}

std::unique_ptr<Elem> Boolean::convert(Kind kind) const {
  switch (kind) {
    case Kind::Boolean:
      return std::make_unique<Boolean>(value);
    case Kind::Integer:
      return std::make_unique<Integer>(value ? 1 : 0);
    case Kind::String:
      return std::make_unique<String>(value ? "true" : "false");
    default:
      return nullptr;
  }
}

int Integer::compare(const Elem& other) const {
  VIXO_ASSERT(other.kind() == kind());
  const int64_t o = static_cast<const Integer&>(other).value;
  return value < o ? -1 : (value > o ? 1 : 0);
}

std::unique_ptr<Elem> Integer::convert(Kind kind) const {
  switch (kind) {
    case Kind::Boolean:
      return std::make_unique<Boolean>(value != 0);
    case Kind::Integer:
      return std::make_unique<Integer>(value);
    case Kind::Float:
      return std::make_unique<Float>(static_cast<double>(value));
    case Kind::String:
      return std::make_unique<String>(integerText(value));
    default:
      return nullptr;
  }
}

int Float::compare(const Elem& other) const {
  VIXO_ASSERT(other.kind() == kind());
  const double o = static_cast<const Float&>(other).value;
  if (value > o) return 1;
  if (value < o) return -1;
  return 0;
}

std::unique_ptr<Elem> Float::convert(Kind kind) const {
  switch (kind) {
    case Kind::Integer: {
      // Only values whose truncation fits a signed 64-bit integer convert.
      const double t = std::trunc(value);
      if (!(t >= -9223372036854775808.0 && t < 9223372036854775808.0)) return nullptr;
      return std::make_unique<Integer>(static_cast<int64_t>(t));
    }
    case Kind::Float:
      return std::make_unique<Float>(value);
    case Kind::String: {
      // printf's "%f": six fraction digits, no exponent, independent of the locale.
      char buf[400];
      auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, 6);
      return std::make_unique<String>(std::string(buf, r.ptr));
    }
    default:
      return nullptr;
  }
}

int String::compare(const Elem& other) const {
  VIXO_ASSERT(other.kind() == kind());
  const int c = value.compare(static_cast<const String&>(other).value);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::unique_ptr<Elem> String::convert(Kind kind) const {
  switch (kind) {
    case Kind::Boolean:
      if (value == "true") return std::make_unique<Boolean>(true);
      if (value == "false") return std::make_unique<Boolean>(false);
      return nullptr;
    case Kind::Integer:
      return textToInteger(value);
    case Kind::Float:
      return textToFloat(value);
    case Kind::String:
      return std::make_unique<String>(value);
    default:
      return nullptr;
  }
}

Array::~Array() { releaseTree(items); }

bool Array::isIndexValid(int index) const {
  return index >= 0 && static_cast<size_t>(index) < items.size();
}

JSON* Array::elementAt(int index) { return isIndexValid(index) ? &items[index] : nullptr; }

void Array::appendCopy(const JSON& value) { items.push_back(value); }

int Array::size() const { return static_cast<int>(items.size()); }

int Array::compare(const Elem& other) const {
  VIXO_ASSERT(other.kind() == kind());
  return compareTrees(*this, other);
}

Object::~Object() {
  std::vector<JSON> work;
  for (auto& m : members)
    if (holdsContainer(m.value.element())) work.push_back(std::move(m.value));
  releaseTree(work);
}

Member* Object::find(std::string_view key) const {
  if (index_) {
    auto it = index_->find(key);
    return it == index_->end() ? nullptr : it->second;
  }
  for (const auto& m : members)
    if (m.key == key) return const_cast<Member*>(&m);
  return nullptr;
}

JSON* Object::findMember(std::string_view key) {
  Member* m = find(key);
  return m ? &m->value : nullptr;
}

const JSON* Object::findMember(std::string_view key) const {
  const Member* m = find(key);
  return m ? &m->value : nullptr;
}

void Object::indexMember(Member* m) {
  constexpr size_t kIndexFrom = 9;  // below this a linear search is faster
  if (index_) {
    index_->emplace(m->key, m);
  } else if (members.size() >= kIndexFrom) {
    index_ = std::make_unique<std::unordered_map<std::string_view, Member*>>();
    index_->reserve(members.size() * 2);
    for (auto& each : members) index_->emplace(each.key, &each);
  }
}

void JSONElements::MemberVector::push_back(Member&& m) {
  if (members_.capacity() == 0) members_.reserve(8);  // most objects are small: one allocation
  members_.push_back(std::make_unique<Member>(std::move(m)));
}

JSON& Object::appendMember(std::string key, JSON value) {
  members.push_back(Member{std::move(key), std::move(value)});
  indexMember(&members.back());
  return members.back().value;
}

JSON* Object::memberSlot(std::string_view key) {
  if (JSON* slot = findMember(key)) return slot;
  return &appendMember(std::string(key), JSON());
}

void Object::setMember(std::string_view key, const JSON& value) {
  JSON* slot = memberSlot(key);
  if (slot->element() == value.element()) return;
  *slot = value;
}

int Object::compare(const Elem& other) const {
  VIXO_ASSERT(other.kind() == kind());
  return compareTrees(*this, other);
}

int compareValues(const JSON& a, const JSON& b) {
  const Elem* ea = a.element() ? a.element() : &nullElement();
  const Elem* eb = b.element() ? b.element() : &nullElement();
  return compareTrees(*ea, *eb);
}

bool operator<(const JSON& a, const JSON& b) { return compareValues(a, b) < 0; }
bool operator!=(const JSON& a, const JSON& b) { return compareValues(a, b) != 0; }

// ---------------------------------------------------------------- the handle

JSON::JSON() : elem_(new Null) {}
JSON::JSON(bool value) : elem_(new Boolean(value)) {}
JSON::JSON(const std::string& bytes) : elem_(new String(bytes)) {}
JSON::JSON(std::string&& bytes) : elem_(new String(std::move(bytes))) {}
JSON::JSON(const char* bytes) : elem_(new String(bytes ? bytes : "")) {}
JSON::JSON(const std::wstring& text) : elem_(new String(toUtf8(text))) {}
JSON::JSON(const wchar_t* text) : elem_(new String(toUtf8(text ? text : L""))) {}
JSON::JSON(const Elem& element) : elem_(element.clone().release()) {}
JSON::JSON(std::unique_ptr<Elem> element) noexcept : elem_(element.release()) {}
JSON::JSON(const JSON& other) : elem_(other.elem_ ? other.elem_->clone().release() : nullptr) {}
JSON::JSON(JSON&& other) noexcept : elem_(other.elem_) { other.elem_ = nullptr; }

JSON& JSON::operator=(const JSON& other) {
  // The copy is made first: the right-hand side may live inside this very tree.
  JSON copy(other);
  std::swap(elem_, copy.elem_);
  return *this;
}

JSON& JSON::operator=(JSON&& other) noexcept {
  if (this != &other) {
    Elem* old = elem_;
    elem_ = other.elem_;
    other.elem_ = nullptr;
    delete old;
  }
  return *this;
}

JSON::~JSON() { delete elem_; }

std::unique_ptr<Elem> JSON::release() noexcept {
  Elem* e = elem_;
  elem_ = nullptr;
  return std::unique_ptr<Elem>(e);
}

const Elem& JSON::elem() const {
  if (elem_) return *elem_;
  return nullElement();
}

bool JSON::isObject() const { return elem().kind() == Kind::Object; }
bool JSON::isArray() const { return elem().kind() == Kind::Array; }
bool JSON::isString() const { return elem().kind() == Kind::String; }
bool JSON::isInteger() const { return elem().kind() == Kind::Integer; }
bool JSON::isFloat() const { return elem().kind() == Kind::Float; }
bool JSON::isBool() const { return elem().kind() == Kind::Boolean; }
bool JSON::isNull() const { return elem().kind() == Kind::Null; }
JSON::Kind JSON::kind() const { return elem().kind(); }

const std::string& JSON::getString() const {
  if (!isString()) throw InvalidType();
  return static_cast<const String&>(elem()).value;
}

std::wstring JSON::getWString() const { return fromUtf8(getString()); }

int64_t JSON::getInteger() const {
  if (!isInteger()) throw InvalidType();
  return static_cast<const Integer&>(elem()).value;
}

double JSON::getFloat() const {
  if (!isFloat()) throw InvalidType();
  return static_cast<const Float&>(elem()).value;
}

bool JSON::getBool() const {
  if (!isBool()) throw InvalidType();
  return static_cast<const Boolean&>(elem()).value;
}

int JSON::size() const { return elem().size(); }

bool JSON::has(std::string_view key) const {
  if (!isObject()) throw InvalidType();
  return elem_->has(key);
}

JSON& JSON::at(std::string_view key) {
  if (!isObject()) throw InvalidType();
  return *elem_->memberSlot(key);
}

const JSON* JSON::find(std::string_view key) const {
  if (!isObject()) throw InvalidType();
  return static_cast<const Elem*>(elem_)->findMember(key);
}

JSON& JSON::at(int index) {
  if (!isArray()) throw InvalidType();
  JSON* slot = elem_->elementSlot(index);
  if (!slot) throw IndexOutRange();
  return *slot;
}

const JSON& JSON::at(int index) const {
  if (!isArray()) throw InvalidType();
  if (!elem_->isIndexValid(index)) throw IndexOutRange();
  return static_cast<const Array*>(elem_)->items[index];
}

JSON& JSON::set(std::string_view key, const JSON& value) {
  if (!isObject()) throw InvalidType();
  elem_->setMember(key, value);
  return *this;
}

JSON& JSON::append(const JSON& value) {
  if (!isArray()) throw InvalidType();
  elem_->appendCopy(value);
  return *this;
}

JSON::MemberRange JSON::members() const {
  return MemberRange(isObject() ? &static_cast<const Object*>(elem_)->members : nullptr);
}

namespace {
// What the members of a value that is not an object iterate over.
const JSONElements::Object::MemberList& noMembers() {
  static const JSONElements::Object::MemberList empty;
  return empty;
}
}  // namespace

JSON::MemberRange::iterator JSON::MemberRange::begin() const {
  return iterator(list_ ? list_->begin() : noMembers().begin());
}

JSON::MemberRange::iterator JSON::MemberRange::end() const {
  return iterator(list_ ? list_->end() : noMembers().end());
}

const std::vector<JSON>& JSON::elements() const {
  static const std::vector<JSON> empty;
  return isArray() ? static_cast<const Array*>(elem_)->items : empty;
}

std::vector<JSON>& JSON::mutableElements() {
  if (!isArray()) throw InvalidType();
  return static_cast<Array*>(elem_)->items;
}

JSON JSON::convertTo(Kind kind) const {
  if (elem().kind() == kind) return *this;
  std::unique_ptr<Elem> converted = elem().convert(kind);
  return converted ? JSON(std::move(converted)) : JSON();
}

JSON stringsToJson(const std::vector<std::wstring>& strings) {
  auto array = std::make_unique<Array>();
  array->items.reserve(strings.size());
  for (const std::wstring& s : strings) array->items.emplace_back(s);
  return JSON(std::move(array));
}

JSON intSetToJson(const std::set<int>& values) {
  auto array = std::make_unique<Array>();
  array->items.reserve(values.size());
  for (int v : values) array->items.emplace_back(std::make_unique<Integer>(v));
  return JSON(std::move(array));
}

}  // namespace Brindle
