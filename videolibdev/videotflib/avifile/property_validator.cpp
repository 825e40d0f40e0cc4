#include "avifile/property_validator.h"

#include <algorithm>
#include <cmath>
#include <locale>
#include <sstream>
#include <string_view>

#include "avifile/avi_system.h"

namespace AviFile {

namespace {

// Decimal digits to a number, saturating at the largest value instead of wrapping.
bool digitsToNumber(std::string_view text, long long& out) {
  long long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    const int digit = c - '0';
    if (value > (std::numeric_limits<long long>::max() - digit) / 10)
      value = std::numeric_limits<long long>::max();
    else
      value = value * 10 + digit;
  }
  out = value;
  return true;
}

// x becomes hi when it is not less than hi, then lo when it is not greater than lo, so with lo
// above hi the result is lo.
template <class T>
T clampTo(T x, T lo, T hi) {
  if (!(x < hi)) x = hi;
  if (!(x > lo)) x = lo;
  return x;
}

}  // namespace

// ---------------------------------------------------------------- bool

Any BoolValidator::normalize(const Any& value) const {
  if (value.as<bool>()) return value;
  return parse(anyToText(value));
}

Any BoolValidator::parse(const std::string& text) const {
  if (text == "1" || text == "True") return Any::of(true);
  if (text == "0" || text == "False") return Any::of(false);
  return Any();
}

// ---------------------------------------------------------------- integers

template <class T>
T IntegerValidator<T>::clamp(long long x) const {
  return static_cast<T>(clampTo<long long>(x, min_, max_));
}

template <class T>
bool IntegerValidator<T>::isValid(const Any& value) const {
  const T* v = value.as<T>();
  return v && min_ <= *v && *v <= max_;
}

template <class T>
Any IntegerValidator<T>::normalize(const Any& value) const {
  if (!value.empty() && value->isInteger()) return Any::of(clamp(value->toInteger(0)));
  return parse(anyToText(value));
}

template <class T>
Any IntegerValidator<T>::parse(const std::string& text) const {
  long long number = 0;
  if (!digitsToNumber(text, number)) return Any();
  return Any::of(clamp(number));
}

template class IntegerValidator<int>;
template class IntegerValidator<long long>;

// ---------------------------------------------------------------- doubles

double DoubleValidator::clamp(double x) const { return clampTo(x, min_, max_); }

bool DoubleValidator::isValid(const Any& value) const {
  const double* v = value.as<double>();
  return v && min_ <= *v && *v <= max_;
}

Any DoubleValidator::normalize(const Any& value) const {
  if (!value.empty() && value->isFloat()) return Any::of(clamp(value->toDouble(0)));
  if (!value.empty() && value->isInteger())
    return Any::of(clamp(static_cast<double>(value->toInteger(0))));
  return parse(anyToText(value));
}

Any DoubleValidator::parse(const std::string& text) const {
  std::istringstream in(text);
  in.imbue(std::locale::classic());
  double x = 0;
  in >> x;  // no number leaves 0; a number beyond the range of doubles gives the largest one
  return Any::of(clamp(x));
}

// ---------------------------------------------------------------- choices

EnumValidator::EnumValidator(int32_t defaultValue, const std::vector<std::string>& names)
    : editable(false) {
  for (size_t i = 0; i < names.size(); ++i) addChoice(names[i], static_cast<int64_t>(i));
  setDefault(defaultValue);
}

void EnumValidator::addChoice(const std::string& name, int64_t value) {
  const auto v = static_cast<int32_t>(value);
  choices.push_back({name, v});
  valueByName[name] = v;
  nameByValue[v] = name;
  if (v == defaultValueNumber) defaultName = name;
}

void EnumValidator::setDefault(int32_t value) {
  defaultValueNumber = value;
  if (nameByValue.empty()) return;
  auto it = nameByValue.find(value);
  defaultName = it != nameByValue.end() ? it->second : nameByValue.begin()->second;
}

bool EnumValidator::isValid(const Any& value) const {
  const int* v = value.as<int>();
  return v && *v >= 0 && static_cast<size_t>(*v) < choices.size();
}

Any EnumValidator::normalize(const Any& value) const {
  if (!value.empty() && value->isInteger()) {
    const long long k =
        clampTo<long long>(value->toInteger(0), 0, static_cast<long long>(choices.size()));
    auto it = nameByValue.find(static_cast<int32_t>(k));
    return makeStringValue(it != nameByValue.end() ? it->second : defaultName);
  }
  return makeStringValue(anyToText(value));
}

Any EnumValidator::parse(const std::string& text) const {
  auto it = valueByName.find(text);
  if (it != valueByName.end()) return Any::of(static_cast<int>(it->second));
  // The leading decimal integer: white space and one sign skipped, digits up to the first other
  // character, saturating at the limits of a 32-bit number.
  const std::string trimmed = trimLeft(text);
  std::string_view rest = trimmed;
  bool negative = false;
  if (!rest.empty() && (rest[0] == '+' || rest[0] == '-')) {
    negative = rest[0] == '-';
    rest.remove_prefix(1);
  }
  long long value = 0;
  digitsToNumber(rest.substr(0, rest.find_first_not_of("0123456789")), value);
  const long long limit = negative ? -static_cast<long long>(std::numeric_limits<int>::min())
                                   : std::numeric_limits<int>::max();
  value = std::min(value, limit);
  return Any::of(static_cast<int>(negative ? -value : value));
}

// ---------------------------------------------------------------- text

Any StringValidator::normalize(const Any& value) const {
  if (value.as<std::string>()) return value;
  return makeStringValue(anyToText(value));
}

std::shared_ptr<AnyValidator> sharedAnyValidator() {
  static const std::shared_ptr<AnyValidator> instance = std::make_shared<AnyValidator>();
  return instance;
}

// ---------------------------------------------------------------- parser

void PropertyParser::addHandler(std::shared_ptr<OfTypeBase> handler) {
  if (!handler) return;
  const std::type_index type = handler->validatorType();
  handlers_[type] = std::move(handler);
}

void PropertyParser::process(PropertyDescriptionList& list) {
  for (PropertyDescription& description : list.entries()) {
    if (!description.validator) continue;
    const auto& v = *description.validator;
    auto it = handlers_.find(std::type_index(typeid(v)));
    if (it == handlers_.end()) it = handlers_.find(std::type_index(typeid(AnyValidator)));
    if (it == handlers_.end()) continue;
    it->second->handle(description);
  }
}

}  // namespace AviFile

PropertyDescription::PropertyDescription(std::string name, std::string label, std::string caption,
                                         std::wstring description,
                                         std::shared_ptr<AviFile::PropertyValidatorBase> validator)
    : name(std::move(name)),
      label(std::move(label)),
      caption(std::move(caption)),
      description(std::move(description)),
      validator(std::move(validator)) {}

PropertyDescription makeEnumDescription(std::string name, std::string label, std::string caption,
                                        std::wstring description, int32_t defaultIndex,
                                        const std::vector<std::string>& names) {
  return PropertyDescription(std::move(name), std::move(label), std::move(caption),
                             std::move(description),
                             std::make_shared<AviFile::EnumValidator>(defaultIndex, names));
}

const PropertyDescription& PropertyDescriptionList::append(const PropertyDescription& description) {
  entries_.push_back(description);
  PropertyDescription& stored = entries_.back();
  stored.index = static_cast<int32_t>(entries_.size() - 1);
  indexByName_[stored.name] = stored.index;
  return stored;
}

int32_t PropertyDescriptionList::indexOf(const std::string& name) const {
  auto it = indexByName_.find(name);
  return it == indexByName_.end() ? -1 : it->second;
}
