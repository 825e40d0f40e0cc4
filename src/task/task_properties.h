// The settings of a test task: one typed property object per setting in one table,
// `VixoProperties`. A task stores only the values that were set; every reader of a setting
// goes through its property object, which falls back to the property's default.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "avifile/avi_system.h"
#include "avifile/property_validator.h"
#include "avifile/property_value.h"

class VIXOmethod;

// A task's settings: key to value; an absent key or an empty value means "not set".
using PropertyMap = std::map<std::string, Any>;

// A copy of the value stored for the key; a copy of the fallback (empty: nothing) when the key
// is absent or its value empty.
Any findPropertyValue(const PropertyMap& map, const std::string& key, const Any& fallback = Any());

namespace props {

class Property {
 public:
  Property(std::string key, std::string label, std::wstring help)
      : key(std::move(key)), label(std::move(label)), help(std::move(help)) {}
  virtual ~Property() = default;
  virtual PropertyDescription describe() const = 0;

  std::string getKey() const { return key; }

  std::string key;
  std::string label;
  std::wstring help;

 protected:
  // The value the map holds for the key; null when the key is absent or its value empty.
  const Any* stored(const PropertyMap& map) const;
  // The grid row of the property with the validator.
  PropertyDescription describeWith(std::shared_ptr<AviFile::PropertyValidatorBase> validator) const;
};

template <class T>
class PropertyT : public Property {
 public:
  PropertyT(std::string key, std::string label, std::wstring help, T defaultValue)
      : Property(std::move(key), std::move(label), std::move(help)),
        defaultValue(std::move(defaultValue)) {}
  T defaultValue;
};

class Integer : public PropertyT<long long> {
 public:
  using PropertyT<long long>::PropertyT;
  // The stored integer as it is (not clamped); the default for anything else.
  long long getIntegerProperty(const PropertyMap& map) const;
  PropertyDescription describe() const override;
  // Replaces the unit shown beside the value.
  Integer& setUnit(std::wstring newUnit) {
    unit = std::move(newUnit);
    return *this;
  }

  std::wstring unit;
  bool spinEditor = false;
  long long min = std::numeric_limits<long long>::min();
  long long max = std::numeric_limits<long long>::max();
};

class Boolean : public PropertyT<bool> {
 public:
  using PropertyT<bool>::PropertyT;
  // The stored bool; the default for anything else (an integer 1 too).
  bool getBoolProperty(const PropertyMap& map) const;
  PropertyDescription describe() const override;
};

class String : public PropertyT<std::string> {
 public:
  using PropertyT<std::string>::PropertyT;
  // The stored text as wide text; the default for anything else.
  std::wstring getStringProperty(const PropertyMap& map) const;
  PropertyDescription describe() const override;
};

// A setting stored by the name of its choice. The default of the value is T's zero; the grid
// shows names[defaultIndex] for an unset property.
template <class T>
class Enumerated : public PropertyT<T> {
 public:
  // The choices as {value, name} in order; the default index is that of the last entry whose
  // value is zero.
  Enumerated(std::string key, std::string label, std::wstring help,
             const std::vector<std::pair<T, std::string>>& entries)
      : PropertyT<T>(std::move(key), std::move(label), std::move(help), T{}) {
    for (size_t i = 0; i < entries.size(); ++i) {
      names.push_back(entries[i].second);
      valueByName[entries[i].second] = entries[i].first;
      if (entries[i].first == T{}) defaultIndex = static_cast<int32_t>(i);
    }
  }
  // The value of the stored choice name; T's zero for anything else.
  T getEnumeratedProperty(const PropertyMap& map) const {
    const Any* value = this->stored(map);
    const std::string* name = value ? value->template as<std::string>() : nullptr;
    if (!name) return this->defaultValue;
    auto choice = valueByName.find(*name);
    return choice == valueByName.end() ? this->defaultValue : choice->second;
  }
  PropertyDescription describe() const override {
    return makeEnumDescription(this->key, this->label, this->label, this->help, defaultIndex,
                               names);
  }

  int32_t defaultIndex = 0;
  std::map<std::string, T> valueByName;
  std::vector<std::string> names;
};

}  // namespace props

// The single table of the task properties.
class VixoProperties {
 public:
  enum ScacjScale : int32_t { BinaryScale = 0, Scale3 = 1 };
  enum PictureScaling : int32_t { OnlyDownscale = 0, UpOrDownscale = 1 };
  enum CustomQuestionType : int32_t { OneVideo = 0, AllToRef = 1, AllToAll = 2 };
  enum CustomPairDisplay : int32_t { Simultaneously = 0, Subsequent = 1 };

  VixoProperties();
  VixoProperties(const VixoProperties&) = delete;
  VixoProperties& operator=(const VixoProperties&) = delete;

  props::Enumerated<const VIXOmethod*> method;
  props::Integer cycles;
  props::Boolean pauseAllowed;
  props::Integer repetitions;
  props::Boolean shuffleSources;
  props::Integer trainingQuestions;
  props::Integer limitPairs;
  props::Enumerated<ScacjScale> scacjScale;
  props::Integer bgColor;
  props::Integer margin;
  props::Boolean audio;
  props::Enumerated<PictureScaling> scaling;
  props::Boolean progress;
  props::Integer bufferLength;
  props::Integer imageLength;
  props::Enumerated<CustomQuestionType> customQuestionType;
  props::Enumerated<CustomPairDisplay> customQuestionPairDisplay;
  props::String customQuestion;
  props::String customQuestionInstructions;
  props::String customQuestionInstructions2;
  props::Boolean network;
  props::Integer networkMaxTime;  // holds the minimum time for an answer (see its label)
  props::Integer networkMinTime;  // holds the maximum time for an answer
  props::Integer networkInstrTime;
  props::Boolean relativePaths;
  props::String resultCollectingEmail;
  props::String resultCollectingFtp;
  props::String resultCollectingFtpPass;
  props::String resultCollectingFtpDir;

  // The five groups the editor shows, in order ("audio" is in none).
  std::vector<const props::Property*> taskGroup;
  std::vector<const props::Property*> methodGroup;
  std::vector<const props::Property*> displayGroup;
  std::vector<const props::Property*> fileGroup;
  std::vector<const props::Property*> onlineGroup;
  std::vector<const std::vector<const props::Property*>*> groups;

  // Every property in table order.
  const std::vector<const props::Property*>& all() const { return all_; }
  // The given properties in table order (how a method lists the properties that apply to it).
  std::vector<const props::Property*> inTableOrder(
      std::initializer_list<const props::Property*> set) const;
  // The caption under which the editor shows group i (0 to 4).
  static const char* groupCaption(size_t i);

 private:
  std::vector<const props::Property*> all_;
};

// The one table of the process; built on the first call, read-only afterwards.
const VixoProperties& getTaskProperties();

// Three-way comparison of the settings two maps hold (0: the same settings).
int samePropertyValues(const PropertyMap& a, const PropertyMap& b);
