#include "results/test_results.h"

#include <cmath>
#include <limits>

namespace {

using Brindle::JSON;
namespace E = Brindle::JSONElements;

SettingsScheme::Object keyScheme(SingleAnswerKey& key) { return singleAnswerKeyScheme(key); }
SettingsScheme::Object keyScheme(PairAnswerKey& key) { return pairAnswerKeyScheme(key); }

template <typename Key>
JSON answersToJson(const std::map<Key, float>& answers) {
  JSON array{E::Array()};
  for (const auto& [key, value] : answers) {
    Key copy = key;  // the scheme binds to fields it may change
    JSON element{E::Object()};
    element.set("key", keyScheme(copy).save());
    element.set("value", E::Float(static_cast<double>(value)));
    array.append(element);
  }
  return array;
}

// A value beyond float's range has no float to narrow to (undefined behaviour, and an
// infinity would be written back as 0), so such a file is refused like any malformed one.
bool fitsFloat(double value) {
  return std::fabs(value) <= static_cast<double>(std::numeric_limits<float>::max());
}

template <typename Key>
bool answersFromJson(const JSON& array, std::map<Key, float>& answers) {
  for (const JSON& element : array.elements()) {
    if (!element.isObject()) return false;
    const JSON* key = element.find("key");
    const JSON* value = element.find("value");
    if (!key || !value || !key->isObject() || !value->isFloat()) return false;
    if (!fitsFloat(value->getFloat())) return false;
    Key read;
    keyScheme(read).load(*key);
    answers[std::move(read)] = static_cast<float>(value->getFloat());
  }
  return true;
}

}  // namespace

void TestResults::setSingle(const std::wstring& expert, const std::wstring& id,
                            const std::wstring& file, float value) {
  singles[SingleAnswerKey{expert, id, file}] = value;
}

void TestResults::setPair(const std::wstring& expert, const std::wstring& id,
                          const std::wstring& file1, const std::wstring& file2, float value) {
  pairs[PairAnswerKey{expert, id, file1, file2}] = value;
}

JSON TestResults::toJson() const {
  JSON object{E::Object()};
  object.set("results", answersToJson(singles));
  object.set("bradley-terry-results", answersToJson(pairs));
  return object;
}

bool TestResults::fromJson(const JSON& value) {
  static const JSON emptyArray{E::Array()};
  const JSON* single = &emptyArray;
  const JSON* pair = &emptyArray;
  if (value.isObject()) {
    if (const JSON* found = value.find("results")) single = found;
    if (const JSON* found = value.find("bradley-terry-results")) pair = found;
  } else {
    // A bare array holds the single answers of a result without pair answers.
    single = &value;
  }
  if (!single->isArray() || !pair->isArray()) return false;
  return answersFromJson(*single, singles) && answersFromJson(*pair, pairs);
}

void copyTestResults(TestResults& target, const TestResults& source) {
  if (&target != &source) target = source;
}

SettingsScheme::Object singleAnswerKeyScheme(SingleAnswerKey& key) {
  SettingsScheme::Object scheme;
  scheme.add(L"expert", &key.expert).add(L"id", &key.id).add(L"file", &key.file);
  return scheme;
}

SettingsScheme::Object pairAnswerKeyScheme(PairAnswerKey& key) {
  SettingsScheme::Object scheme;
  scheme.add(L"expert", &key.expert)
      .add(L"id", &key.id)
      .add(L"file1", &key.file1)
      .add(L"file2", &key.file2);
  return scheme;
}
