#include "avifile/property_value.h"

#include <cstring>
#include <istream>
#include <locale>
#include <ostream>
#include <sstream>

namespace {

template <class T>
void writeRaw(std::ostream& out, const T& v) {
  out.write(reinterpret_cast<const char*>(&v), sizeof v);
}

template <class T>
bool readRaw(std::istream& in, T& v) {
  T read{};
  if (!in.read(reinterpret_cast<char*>(&read), sizeof read)) return false;
  v = read;
  return true;
}

int kindOrder(Any::Kind a, Any::Kind b) {
  return static_cast<int>(a) < static_cast<int>(b) ? -1 : 1;
}

}  // namespace

// ---------------------------------------------------------------- per kind

template <class T>
void Any::Data<T>::writeText(std::ostream& out) const {
  if constexpr (std::is_same_v<T, bool>)
    out << (value ? "1" : "0");
  else
    out << value;
}

template <class T>
void Any::Data<T>::writeBinary(std::ostream& out) const {
  if constexpr (std::is_same_v<T, std::string>) {
    // Text: its length as 8 bytes, then its bytes.
    writeRaw(out, static_cast<uint64_t>(value.size()));
    out.write(value.data(), static_cast<std::streamsize>(value.size()));
  } else if constexpr (std::is_same_v<T, bool>) {
    writeRaw(out, static_cast<unsigned char>(value ? 1 : 0));
  } else {
    writeRaw(out, value);
  }
}

template <class T>
bool Any::Data<T>::readBinary(std::istream& in) {
  if constexpr (std::is_same_v<T, std::string>) {
    uint64_t size = 0;
    if (!readRaw(in, size)) return false;
    std::string text;
    // Read in pieces, so that a damaged length cannot make one huge allocation.
    char buffer[4096];
    while (size > 0) {
      const auto n = static_cast<std::streamsize>(size < sizeof buffer ? size : sizeof buffer);
      if (!in.read(buffer, n)) return false;
      text.append(buffer, static_cast<size_t>(n));
      size -= static_cast<uint64_t>(n);
    }
    value = std::move(text);
    return true;
  } else if constexpr (std::is_same_v<T, bool>) {
    unsigned char byte = 0;
    if (!readRaw(in, byte)) return false;
    value = byte != 0;
    return true;
  } else {
    return readRaw(in, value);
  }
}

template <class T>
int Any::Data<T>::compare(const DataBase* other) const {
  if (!other) return 1;
  if (other->typeId() != typeId()) return kindOrder(typeId(), other->typeId());
  const T& o = static_cast<const Data&>(*other).value;
  if (value < o) return -1;
  if (!(o < value)) return 0;
  return 1;
}

template <class T>
bool Any::Data<T>::isInteger() const {
  return std::is_same_v<T, int> || std::is_same_v<T, long long>;
}

template <class T>
long long Any::Data<T>::toInteger(long long fallback) const {
  if constexpr (std::is_same_v<T, int> || std::is_same_v<T, long long>)
    return value;
  else
    return fallback;
}

template <class T>
double Any::Data<T>::toDouble(double fallback) const {
  if constexpr (std::is_same_v<T, double>)
    return value;
  else
    return fallback;
}

template <class T>
size_t Any::Data<T>::binarySize() const {
  if constexpr (std::is_same_v<T, std::string>)
    return sizeof(uint64_t) + value.size();
  else if constexpr (std::is_same_v<T, bool>)
    return 1;
  else
    return sizeof(T);
}

template class Any::Data<int>;
template class Any::Data<long long>;
template class Any::Data<double>;
template class Any::Data<bool>;
template class Any::Data<std::string>;

// ---------------------------------------------------------------- handles

bool operator==(const Any& a, const Any& b) {
  if (a.empty() || b.empty()) return a.empty() && b.empty();
  return a.get()->equals(b.get());
}

bool operator<(const Any& a, const Any& b) {
  if (a.empty() || b.empty()) return a.empty() && !b.empty();
  return a.get()->compare(b.get()) < 0;
}

Any makeStringValue(std::string text) { return Any::of(std::move(text)); }

std::string anyToText(const Any& value) {
  if (value.empty()) return {};
  std::ostringstream out;
  out.imbue(std::locale::classic());
  value->writeText(out);
  return out.str();
}

Any anyFromJson(const Brindle::JSON& json) {
  switch (json.kind()) {
    case Brindle::JSON::Kind::Integer:
      return Any::of(static_cast<long long>(json.getInteger()));
    case Brindle::JSON::Kind::Float:
      return Any::of(json.getFloat());
    case Brindle::JSON::Kind::Boolean:
      return Any::of(json.getBool());
    case Brindle::JSON::Kind::Null:
      return Any();
    default:
      // A String gives its bytes; an Array or Object has no text and throws InvalidType.
      return Any::of(json.getString());
  }
}

Brindle::JSON anyToJson(const Any& value) {
  namespace E = Brindle::JSONElements;
  if (value.empty()) return Brindle::JSON();
  if (value->isInteger()) return Brindle::JSON(E::Integer(value->toInteger(0)));
  if (value->isFloat()) return Brindle::JSON(E::Float(value->toDouble(0)));
  if (const bool* b = value.as<bool>()) return Brindle::JSON(*b);
  return Brindle::JSON(*value.as<std::string>());  // text is the one kind left
}
