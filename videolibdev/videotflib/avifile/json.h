// JSON values: a handle (Brindle::JSON) that owns one tree of elements, and the text writer.
//
// Copying a handle copies the whole tree; handles never share elements. Objects keep their
// members in insertion order. Every operation on trees (copy, destruction, comparison,
// writing) runs without recursion, so the depth of a tree is limited only by memory.
// The library takes no locks: callers serialise all access to one value.
#pragma once

#include <cstdint>
#include <exception>
#include <iosfwd>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Brindle {

class JSON;

namespace JSONElements {

// Kinds in their ordering rank: String < Float < Array < Integer < Null < Boolean < Object.
enum class Kind : int { String, Float, Array, Integer, Null, Boolean, Object };

struct Member;

class Elem {
 public:
  virtual ~Elem() = default;

  // The kind without a virtual call; every element knows it from its construction.
  Kind kind() const { return kind_; }
  bool isContainer() const { return kind_ == Kind::Array || kind_ == Kind::Object; }

  virtual bool isArray() const { return false; }
  virtual bool isObject() const { return false; }
  virtual bool has(std::string_view) const { return false; }
  virtual bool isIndexValid(int) const { return false; }
  // The member's value slot, or nullptr when absent (objects only).
  virtual JSON* findMember(std::string_view) { return nullptr; }
  virtual const JSON* findMember(std::string_view) const { return nullptr; }
  // The element's slot, or nullptr when the index is outside (arrays only).
  virtual JSON* elementAt(int) { return nullptr; }
  // The member's slot; an absent key is appended as a Null member first (objects only).
  virtual JSON* memberSlot(std::string_view) { return nullptr; }
  virtual JSON* elementSlot(int index) { return elementAt(index); }
  virtual void setMember(std::string_view, const JSON&) {}
  virtual void appendCopy(const JSON&) {}
  // Member or element count; -1 for the other kinds.
  virtual int size() const { return -1; }
  virtual Kind typeTag() const = 0;
  // -1, 0 or 1 against an element of the same class.
  virtual int compare(const Elem& other) const = 0;
  // This value as another kind, or nullptr when no conversion exists.
  virtual std::unique_ptr<Elem> convert(Kind) const { return nullptr; }
  // Writes the value; levels: 0 compact, n > 0 the first n levels on separate lines, negative
  // every level; indent: blanks in front of the closing bracket.
  void write(std::ostream& out, int levels, int indent) const;
  std::unique_ptr<Elem> clone() const;

 protected:
  explicit Elem(Kind kind) : kind_(kind) {}
  Elem(const Elem&) = default;
  Elem& operator=(const Elem&) = delete;
  friend class Brindle::JSON;
  // A copy of this element alone; containers come back empty (clone() fills them).
  virtual std::unique_ptr<Elem> shallowCopy() const = 0;

 private:
  const Kind kind_;
};

class Null final : public Elem {
 public:
  Null() : Elem(Kind::Null) {}
  Kind typeTag() const override { return Kind::Null; }
  int compare(const Elem&) const override { return 0; }

 protected:
  std::unique_ptr<Elem> shallowCopy() const override { return std::make_unique<Null>(); }
};

class Boolean final : public Elem {
 public:
  explicit Boolean(bool v = false) : Elem(Kind::Boolean), value(v) {}
  Kind typeTag() const override { return Kind::Boolean; }
  int compare(const Elem& other) const override;
  std::unique_ptr<Elem> convert(Kind kind) const override;
  bool value;

 protected:
  std::unique_ptr<Elem> shallowCopy() const override { return std::make_unique<Boolean>(value); }
};

class Integer final : public Elem {
 public:
  explicit Integer(int64_t v = 0) : Elem(Kind::Integer), value(v) {}
  Kind typeTag() const override { return Kind::Integer; }
  int compare(const Elem& other) const override;
  std::unique_ptr<Elem> convert(Kind kind) const override;
  int64_t value;

 protected:
  std::unique_ptr<Elem> shallowCopy() const override { return std::make_unique<Integer>(value); }
};

class Float final : public Elem {
 public:
  explicit Float(double v = 0.0) : Elem(Kind::Float), value(v) {}
  Kind typeTag() const override { return Kind::Float; }
  int compare(const Elem& other) const override;
  std::unique_ptr<Elem> convert(Kind kind) const override;
  double value;

 protected:
  std::unique_ptr<Elem> shallowCopy() const override { return std::make_unique<Float>(value); }
};

class String final : public Elem {
 public:
  String() : Elem(Kind::String) {}
  explicit String(std::string v) : Elem(Kind::String), value(std::move(v)) {}
  Kind typeTag() const override { return Kind::String; }
  int compare(const Elem& other) const override;
  std::unique_ptr<Elem> convert(Kind kind) const override;
  std::string value;  // any bytes; UTF-8 by convention

 protected:
  std::unique_ptr<Elem> shallowCopy() const override { return std::make_unique<String>(value); }
};

}  // namespace JSONElements

class JSON {
 public:
  // Exceptions of the value interface; they carry no message.
  class Error : public std::exception {
   public:
    const char* what() const noexcept override { return "Brindle::JSON::Error"; }
  };
  class InvalidType : public Error {
   public:
    const char* what() const noexcept override { return "Brindle::JSON::InvalidType"; }
  };
  class IndexOutRange : public Error {
   public:
    const char* what() const noexcept override { return "Brindle::JSON::IndexOutRange"; }
  };

  using Kind = JSONElements::Kind;

  JSON();
  JSON(bool value);
  JSON(const std::string& bytes);
  JSON(std::string&& bytes);
  JSON(const char* bytes);
  // The UTF-8 form of the text; text that cannot be converted gives an empty String.
  JSON(const std::wstring& text);
  JSON(const wchar_t* text);
  // Numbers are built from their elements (JSON(JSONElements::Integer(5))); these overloads
  // would otherwise turn into a Boolean.
  JSON(int) = delete;
  JSON(long) = delete;
  JSON(long long) = delete;
  JSON(unsigned) = delete;
  JSON(unsigned long) = delete;
  JSON(unsigned long long) = delete;
  JSON(double) = delete;
  JSON(float) = delete;
  // A handle holding a clone of the element.
  JSON(const JSONElements::Elem& element);
  // Takes the element over.
  explicit JSON(std::unique_ptr<JSONElements::Elem> element) noexcept;
  JSON(const JSON& other);
  JSON(JSON&& other) noexcept;
  JSON& operator=(const JSON& other);
  JSON& operator=(JSON&& other) noexcept;
  ~JSON();

  // --- kinds and typed reads (no implicit conversion between kinds)
  bool isObject() const;
  bool isArray() const;
  bool isString() const;
  bool isInteger() const;
  bool isFloat() const;
  bool isBool() const;
  bool isNull() const;
  Kind kind() const;

  const std::string& getString() const;
  std::wstring getWString() const;  // empty when the bytes are not valid UTF-8
  int64_t getInteger() const;
  double getFloat() const;
  bool getBool() const;
  int size() const;

  // --- members and elements
  bool has(std::string_view key) const;
  // The member's value; an absent key is appended as a Null member first.
  JSON& at(std::string_view key);
  // The member's value or nullptr; InvalidType when this is not an object.
  const JSON* find(std::string_view key) const;
  JSON& at(int index);
  const JSON& at(int index) const;
  JSON& set(std::string_view key, const JSON& value);
  JSON& append(const JSON& value);

  // Iteration: members of an object in insertion order, elements of an array in order; other
  // kinds visit nothing.
  class MemberRange;
  MemberRange members() const;
  const std::vector<JSON>& elements() const;
  // The elements of an array for changing them in place; InvalidType for other kinds.
  std::vector<JSON>& mutableElements();

  // --- conversion and comparison
  // A new value of the given kind, or Null when no conversion exists.
  JSON convertTo(Kind kind) const;
  friend bool operator<(const JSON& a, const JSON& b);
  friend bool operator!=(const JSON& a, const JSON& b);
  friend bool operator==(const JSON& a, const JSON& b) { return !(a != b); }

  // --- writing: levels -1 indented everywhere, 0 compact
  void write(std::ostream& out, int levels = -1, int indent = 0) const;
  std::string toString(int levels = 0) const;

  // --- element access for the library's own use
  const JSONElements::Elem* element() const { return elem_; }
  JSONElements::Elem* element() { return elem_; }
  std::unique_ptr<JSONElements::Elem> release() noexcept;

 private:
  const JSONElements::Elem& elem() const;

  JSONElements::Elem* elem_;
};

namespace JSONElements {

struct Member {
  std::string key;
  JSON value;
};

class Array final : public Elem {
 public:
  Array() : Elem(Kind::Array) {}
  ~Array() override;
  Array(const Array&) = delete;
  Array& operator=(const Array&) = delete;

  bool isArray() const override { return true; }
  bool isIndexValid(int index) const override;
  JSON* elementAt(int index) override;
  void appendCopy(const JSON& value) override;
  int size() const override;
  Kind typeTag() const override { return Kind::Array; }
  int compare(const Elem& other) const override;

  std::vector<JSON> items;

 protected:
  std::unique_ptr<Elem> shallowCopy() const override { return std::make_unique<Array>(); }
};

// The members of an object in insertion order. Each member has an allocation of its own, so a
// reference to a member's value stays valid while members are added.
class MemberVector {
 public:
  using Pointers = std::vector<std::unique_ptr<Member>>;

  template <typename Base, typename Value>
  class Iterator {
   public:
    explicit Iterator(Base it) : it_(it) {}
    Value& operator*() const { return **it_; }
    Value* operator->() const { return it_->get(); }
    Iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator==(const Iterator& o) const { return it_ == o.it_; }
    bool operator!=(const Iterator& o) const { return it_ != o.it_; }

   private:
    Base it_;
  };
  using iterator = Iterator<Pointers::iterator, Member>;
  using const_iterator = Iterator<Pointers::const_iterator, const Member>;

  size_t size() const { return members_.size(); }
  bool empty() const { return members_.empty(); }
  Member& operator[](size_t i) { return *members_[i]; }
  const Member& operator[](size_t i) const { return *members_[i]; }
  Member& back() { return *members_.back(); }
  void push_back(Member&& m);
  iterator begin() { return iterator(members_.begin()); }
  iterator end() { return iterator(members_.end()); }
  const_iterator begin() const { return const_iterator(members_.begin()); }
  const_iterator end() const { return const_iterator(members_.end()); }

 private:
  Pointers members_;
};

class Object final : public Elem {
 public:
  using MemberList = MemberVector;

  Object() : Elem(Kind::Object) {}
  ~Object() override;
  Object(const Object&) = delete;
  Object& operator=(const Object&) = delete;

  bool isObject() const override { return true; }
  bool has(std::string_view key) const override { return find(key) != nullptr; }
  JSON* findMember(std::string_view key) override;
  const JSON* findMember(std::string_view key) const override;
  JSON* memberSlot(std::string_view key) override;
  void setMember(std::string_view key, const JSON& value) override;
  int size() const override { return static_cast<int>(members.size()); }
  Kind typeTag() const override { return Kind::Object; }
  int compare(const Elem& other) const override;

  // Appends a member whose key is known to be absent; for readers that build objects.
  JSON& appendMember(std::string key, JSON value);
  Member* find(std::string_view key) const;

  MemberList members;

 protected:
  std::unique_ptr<Elem> shallowCopy() const override { return std::make_unique<Object>(); }

 private:
  void indexMember(Member* m);
  // Small objects are searched in order; larger ones through this index.
  std::unique_ptr<std::unordered_map<std::string_view, Member*>> index_;
};

}  // namespace JSONElements

class JSON::MemberRange {
 public:
  class iterator {
   public:
    using Base = JSONElements::Object::MemberList::const_iterator;
    explicit iterator(Base it) : it_(it) {}
    const JSONElements::Member& operator*() const { return *it_; }
    const JSONElements::Member* operator->() const { return &*it_; }
    iterator& operator++() {
      ++it_;
      return *this;
    }
    bool operator!=(const iterator& o) const { return it_ != o.it_; }
    bool operator==(const iterator& o) const { return it_ == o.it_; }

   private:
    Base it_;
  };
  explicit MemberRange(const JSONElements::Object::MemberList* list) : list_(list) {}
  iterator begin() const;
  iterator end() const;
  size_t size() const { return list_ ? list_->size() : 0; }

 private:
  const JSONElements::Object::MemberList* list_;
};

// An Array of Strings, each from a wide string, in order.
JSON stringsToJson(const std::vector<std::wstring>& strings);
// An Array of Integers in ascending order.
JSON intSetToJson(const std::set<int>& values);

// Three-way comparison by kind rank first, then by value; used by operator< and operator!=.
int compareValues(const JSON& a, const JSON& b);

}  // namespace Brindle
