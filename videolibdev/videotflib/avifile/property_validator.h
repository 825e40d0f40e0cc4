// Validators, descriptions and lists of editable settings, and the records of validation.
//
// A validator knows a setting's kind, range, choices and default: it gives the default, turns
// any stored value into an acceptable one (normalize), parses typed text and tells the grid
// which row to build. Validators are filled by their producer before a description is
// published and only read afterwards; they may then be shared between threads.
#pragma once

#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <typeindex>
#include <vector>

#include "avifile/property_value.h"

namespace AviFile {

class PropertyValidatorBase {
 public:
  virtual ~PropertyValidatorBase() = default;
  // The validator checks an integer range.
  virtual bool isNumeric() const { return false; }
  // The validator carries named choices.
  virtual bool hasChoices() const { return false; }
  virtual void addChoice(const std::string& name, int64_t value) {
    (void)name;
    (void)value;
  }
  // Whether the value is acceptable as it stands.
  virtual bool isValid(const Any& value) const = 0;
  // A value acceptable to the validator made from any value.
  virtual Any normalize(const Any& value) const = 0;
  // The value the text denotes, or an empty handle.
  virtual Any parse(const std::string& text) const = 0;
  virtual Any defaultValue() const = 0;
};

// Accepts anything; parses nothing.
class AnyValidator : public PropertyValidatorBase {
 public:
  explicit AnyValidator(Any defaultValue = Any()) : defaultValue_(std::move(defaultValue)) {}
  bool isValid(const Any&) const override { return true; }
  Any normalize(const Any& value) const override { return value; }
  Any parse(const std::string&) const override { return Any(); }
  Any defaultValue() const override { return defaultValue_; }

 private:
  Any defaultValue_;
};

class BoolValidator : public PropertyValidatorBase {
 public:
  explicit BoolValidator(bool defaultValue) : defaultValue_(defaultValue) {}
  bool isValid(const Any& value) const override { return value.as<bool>() != nullptr; }
  Any normalize(const Any& value) const override;
  // "1" and "True" are true, "0" and "False" false; nothing else.
  Any parse(const std::string& text) const override;
  Any defaultValue() const override { return Any::of(defaultValue_); }

 private:
  bool defaultValue_;
};

// A whole number within [min, max] of the width T (int or long long).
template <class T>
class IntegerValidator : public PropertyValidatorBase {
 public:
  explicit IntegerValidator(T defaultValue, T min = std::numeric_limits<T>::min(),
                            T max = std::numeric_limits<T>::max())
      : defaultValue_(defaultValue), min_(min), max_(max) {}
  bool isNumeric() const override { return true; }
  bool isValid(const Any& value) const override;
  Any normalize(const Any& value) const override;
  // Decimal digits only (no sign, no blank); the empty text is 0; too many digits give the
  // largest number. The result is clamped.
  Any parse(const std::string& text) const override;
  Any defaultValue() const override { return Any::of(defaultValue_); }

  T min() const { return min_; }
  T max() const { return max_; }
  T clamp(long long x) const;

 private:
  T defaultValue_, min_, max_;
};

// A 64-bit integer with named flag bits.
class FlagsValidator : public IntegerValidator<long long> {
 public:
  struct Flag {
    std::string name;
    int64_t value;
  };
  explicit FlagsValidator(long long defaultValue) : IntegerValidator<long long>(defaultValue) {}
  bool isNumeric() const override { return false; }
  bool hasChoices() const override { return true; }
  void addChoice(const std::string& name, int64_t value) override {
    flags.push_back({name, value});
  }

  std::vector<Flag> flags;
};

class DoubleValidator : public PropertyValidatorBase {
 public:
  DoubleValidator(double defaultValue, double min, double max)
      : defaultValue_(defaultValue), min_(min), max_(max) {}
  bool isValid(const Any& value) const override;
  Any normalize(const Any& value) const override;
  // A number read from the start of the text (white space skipped, the rest ignored); text
  // without a number reads as 0. The result is clamped.
  Any parse(const std::string& text) const override;
  Any defaultValue() const override { return Any::of(defaultValue_); }

  double min() const { return min_; }
  double max() const { return max_; }

 private:
  double clamp(double x) const;
  double defaultValue_, min_, max_;
};

// Named choices; a setting stores the chosen name.
class EnumValidator : public PropertyValidatorBase {
 public:
  struct Choice {
    std::string name;
    int32_t value;
  };
  explicit EnumValidator(bool editable) : editable(editable) {}
  // Choices named in order with the values 0, 1, 2...; not editable.
  EnumValidator(int32_t defaultValue, const std::vector<std::string>& names);

  bool hasChoices() const override { return true; }
  void addChoice(const std::string& name, int64_t value) override;
  // A choice number: 0 <= v < number of choices.
  bool isValid(const Any& value) const override;
  // A number becomes its choice's name (the default name when it has none); other values
  // become their text.
  Any normalize(const Any& value) const override;
  // A choice name gives its number; other text its leading decimal integer (0 without one).
  Any parse(const std::string& text) const override;
  Any defaultValue() const override { return makeStringValue(defaultName); }
  void setDefault(int32_t value);

  std::vector<Choice> choices;
  std::map<std::string, int32_t> valueByName;
  std::map<int32_t, std::string> nameByValue;
  std::string defaultName;
  int32_t defaultValueNumber = -1;
  bool editable;
};

class StringValidator : public PropertyValidatorBase {
 public:
  explicit StringValidator(std::string defaultValue) : defaultValue_(std::move(defaultValue)) {}
  bool isValid(const Any& value) const override { return value.as<std::string>() != nullptr; }
  Any normalize(const Any& value) const override;
  Any parse(const std::string& text) const override { return makeStringValue(text); }
  Any defaultValue() const override { return makeStringValue(defaultValue_); }

 private:
  std::string defaultValue_;
};

extern template class IntegerValidator<int>;
extern template class IntegerValidator<long long>;

// The one AnyValidator of the process (empty default); safe from any thread.
std::shared_ptr<AnyValidator> sharedAnyValidator();

}  // namespace AviFile

// One described setting.
struct PropertyDescription {
  PropertyDescription() = default;
  PropertyDescription(std::string name, std::string label, std::string caption,
                      std::wstring description,
                      std::shared_ptr<AviFile::PropertyValidatorBase> validator);
  void setValidator(std::shared_ptr<AviFile::PropertyValidatorBase> v) { validator = std::move(v); }

  int32_t index = 0;
  std::string name;
  std::string label;
  std::string caption;
  std::wstring description;
  std::wstring unit;
  bool spinEditor = false;
  std::shared_ptr<AviFile::PropertyValidatorBase> validator;
};

// A description whose validator has the named choices (not editable).
PropertyDescription makeEnumDescription(std::string name, std::string label, std::string caption,
                                        std::wstring description, int32_t defaultIndex,
                                        const std::vector<std::string>& names);

// Descriptions in append order, with an index by name (a later description of a name takes
// the name over).
class PropertyDescriptionList {
 public:
  const PropertyDescription& append(const PropertyDescription& description);
  const std::vector<PropertyDescription>& entries() const { return entries_; }
  std::vector<PropertyDescription>& entries() { return entries_; }
  // The index of the name, or -1.
  int32_t indexOf(const std::string& name) const;
  std::vector<PropertyDescription>::const_iterator begin() const { return entries_.begin(); }
  std::vector<PropertyDescription>::const_iterator end() const { return entries_.end(); }
  size_t size() const { return entries_.size(); }

 private:
  std::vector<PropertyDescription> entries_;
  std::map<std::string, int32_t> indexByName_;
};

namespace AviFile {

// Hands each description to the handler registered for the class of its validator.
class PropertyParser {
 public:
  class OfTypeBase {
   public:
    virtual ~OfTypeBase() = default;
    virtual void handle(PropertyDescription& description) = 0;
    virtual std::type_index validatorType() const = 0;
  };
  template <class V>
  class OfType : public OfTypeBase {
   public:
    std::type_index validatorType() const override { return typeid(V); }
  };

  // A handler for the same class replaces the earlier one.
  void addHandler(std::shared_ptr<OfTypeBase> handler);
  // Handlers serve their exact class only; a description without one goes to the handler of
  // AnyValidator, or is skipped.
  void process(PropertyDescriptionList& list);

 private:
  std::map<std::type_index, std::shared_ptr<OfTypeBase>> handlers_;
};

}  // namespace AviFile

// One finding of a validation: level 0 error, 1 warning, 2 notice (3 when made empty).
struct ValidationMessage {
  ValidationMessage() = default;
  ValidationMessage(int32_t level, std::wstring shortText, std::wstring text)
      : level(level), shortText(std::move(shortText)), text(std::move(text)) {}
  int32_t level = 3;
  std::wstring shortText;
  std::wstring text;
};
