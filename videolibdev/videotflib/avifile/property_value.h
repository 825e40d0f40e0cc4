// Typed values of settings: one of five kinds (32-bit integer, 64-bit integer, double, bool,
// narrow text), owned by an `Any` handle that may also be empty (no value).
//
// No kind converts implicitly into another: an int 1 and a long long 1 are different values.
// Text is always written and read in the classic ("C") number format, whatever the process
// locale.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>

#include "avifile/json.h"

class Any {
 public:
  // Kinds in the order in which compare() ranks values of different kinds.
  enum class Kind : int { Int, LongLong, Double, Bool, String };

  class DataBase {
   public:
    virtual ~DataBase() = default;
    virtual Kind typeId() const = 0;
    virtual std::unique_ptr<DataBase> clone() const = 0;
    virtual void* valuePtr() = 0;
    virtual const void* valuePtr() const = 0;
    // The value in the stream's current formatting.
    virtual void writeText(std::ostream& out) const = 0;
    virtual void writeBinary(std::ostream& out) const = 0;
    // False when the stream runs short.
    virtual bool readBinary(std::istream& in) = 0;
    // Same kind and equal value (a NaN equals nothing); false for null.
    virtual bool equals(const DataBase* other) const = 0;
    // -1, 0 or 1; kinds first, then values; 1 against null.
    virtual int compare(const DataBase* other) const = 0;
    virtual bool isInteger() const { return false; }
    virtual bool isFloat() const { return false; }
    virtual long long toInteger(long long fallback) const { return fallback; }
    virtual double toDouble(double fallback) const { return fallback; }
    virtual size_t binarySize() const = 0;
  };

  template <class T>
  class Data;

  Any() = default;
  explicit Any(std::unique_ptr<DataBase> value) : value_(std::move(value)) {}
  Any(const Any& other) : value_(other.value_ ? other.value_->clone() : nullptr) {}
  Any(Any&&) noexcept = default;
  Any& operator=(const Any& other) {
    if (this != &other) value_ = other.value_ ? other.value_->clone() : nullptr;
    return *this;
  }
  Any& operator=(Any&&) noexcept = default;

  // A handle holding an Any::Data<T>.
  template <class T>
  static Any of(T value);

  bool empty() const { return value_ == nullptr; }
  const DataBase* get() const { return value_.get(); }
  DataBase* get() { return value_.get(); }
  const DataBase* operator->() const { return value_.get(); }
  // The value when it is an Any::Data<T>, else null.
  template <class T>
  const T* as() const;

  // Equal when both are empty or the left value equals the right one.
  friend bool operator==(const Any& a, const Any& b);
  friend bool operator!=(const Any& a, const Any& b) { return !(a == b); }
  // Ordering of the values (an empty handle before every value).
  friend bool operator<(const Any& a, const Any& b);

 private:
  std::unique_ptr<DataBase> value_;
};

template <class T>
struct AnyKind;
template <>
struct AnyKind<int> {
  static constexpr Any::Kind kind = Any::Kind::Int;
};
template <>
struct AnyKind<long long> {
  static constexpr Any::Kind kind = Any::Kind::LongLong;
};
template <>
struct AnyKind<double> {
  static constexpr Any::Kind kind = Any::Kind::Double;
};
template <>
struct AnyKind<bool> {
  static constexpr Any::Kind kind = Any::Kind::Bool;
};
template <>
struct AnyKind<std::string> {
  static constexpr Any::Kind kind = Any::Kind::String;
};

template <class T>
class Any::Data : public Any::DataBase {
 public:
  explicit Data(T v) : value(std::move(v)) {}
  Kind typeId() const override { return AnyKind<T>::kind; }
  std::unique_ptr<DataBase> clone() const override { return std::make_unique<Data>(value); }
  void* valuePtr() override { return &value; }
  const void* valuePtr() const override { return &value; }
  void assign(T v) { value = std::move(v); }
  void writeText(std::ostream& out) const override;
  void writeBinary(std::ostream& out) const override;
  bool readBinary(std::istream& in) override;
  bool equals(const DataBase* other) const override {
    return other && other->typeId() == typeId() && static_cast<const Data&>(*other).value == value;
  }
  int compare(const DataBase* other) const override;
  bool isInteger() const override;
  bool isFloat() const override { return std::is_same_v<T, double>; }
  long long toInteger(long long fallback) const override;
  double toDouble(double fallback) const override;
  size_t binarySize() const override;

  T value;
};

template <class T>
Any Any::of(T value) {
  return Any(std::make_unique<Data<T>>(std::move(value)));
}

template <class T>
const T* Any::as() const {
  if (!value_ || value_->typeId() != AnyKind<T>::kind) return nullptr;
  return &static_cast<const Data<T>*>(value_.get())->value;
}

extern template class Any::Data<int>;
extern template class Any::Data<long long>;
extern template class Any::Data<double>;
extern template class Any::Data<bool>;
extern template class Any::Data<std::string>;

// A handle holding the text.
Any makeStringValue(std::string text);
// The value as text in a fresh stream of the classic locale (doubles with six significant
// digits); the empty text for an empty handle.
std::string anyToText(const Any& value);
// Integer: long long; Float: double; Boolean: bool; Null: empty; String: its bytes. Arrays and
// objects have no value: Brindle::JSON::InvalidType.
Any anyFromJson(const Brindle::JSON& json);
// Integers as Integer, doubles as Float, bools as Boolean, text as String, empty as Null.
Brindle::JSON anyToJson(const Any& value);
