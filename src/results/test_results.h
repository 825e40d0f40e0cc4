// The answers of one pass: one number per answered question, filed under the observer, the
// question block and the judged file or pair of files.
#pragma once

#include <map>
#include <string>
#include <tuple>

#include "avifile/json.h"
#include "avifile/settings_scheme.h"

// The key of an answer about one file.
struct SingleAnswerKey {
  std::wstring expert;  // the observer's name
  std::wstring id;      // the question block's number as decimal text ("0" for SAMVIQ)
  std::wstring file;    // the id of the judged file

  friend bool operator<(const SingleAnswerKey& a, const SingleAnswerKey& b) {
    return std::tie(a.expert, a.id, a.file) < std::tie(b.expert, b.id, b.file);
  }
  friend bool operator==(const SingleAnswerKey& a, const SingleAnswerKey& b) {
    return std::tie(a.expert, a.id, a.file) == std::tie(b.expert, b.id, b.file);
  }
};

// The key of an answer about a pair of files, in the order they were shown.
struct PairAnswerKey {
  std::wstring expert;
  std::wstring id;
  std::wstring file1;
  std::wstring file2;

  friend bool operator<(const PairAnswerKey& a, const PairAnswerKey& b) {
    return std::tie(a.expert, a.id, a.file1, a.file2) < std::tie(b.expert, b.id, b.file1, b.file2);
  }
  friend bool operator==(const PairAnswerKey& a, const PairAnswerKey& b) {
    return std::tie(a.expert, a.id, a.file1, a.file2) == std::tie(b.expert, b.id, b.file1, b.file2);
  }
};

class TestResults {
 public:
  TestResults() = default;
  TestResults(const TestResults&) = default;
  TestResults& operator=(const TestResults&) = default;
  // A move takes both maps over and leaves the source with two empty maps.
  TestResults(TestResults&& other) noexcept
      : singles(std::move(other.singles)), pairs(std::move(other.pairs)) {
    other.singles.clear();
    other.pairs.clear();
  }
  TestResults& operator=(TestResults&& other) noexcept {
    if (this != &other) {
      singles = std::move(other.singles);
      pairs = std::move(other.pairs);
      other.singles.clear();
      other.pairs.clear();
    }
    return *this;
  }

  // Insert or replace the answer under the key.
  void setSingle(const std::wstring& expert, const std::wstring& id, const std::wstring& file,
                 float value);
  void setPair(const std::wstring& expert, const std::wstring& id, const std::wstring& file1,
               const std::wstring& file2, float value);

  // {"results": [...], "bradley-terry-results": [...]}, each element {"key": {...}, "value": f}
  // in ascending key order.
  Brindle::JSON toJson() const;
  // Adds the entries of the value; false on any malformed part (entries read before it stay).
  // Meant for a freshly made object: the caller drops it when the read fails.
  [[nodiscard]] bool fromJson(const Brindle::JSON& value);

  std::map<SingleAnswerKey, float> singles;
  std::map<PairAnswerKey, float> pairs;
};

// Both maps of the target become copies of the source's.
void copyTestResults(TestResults& target, const TestResults& source);

// The JSON forms of the keys: "expert", "id", "file" and "expert", "id", "file1", "file2".
// The schemes point at the key's fields and must not outlive it.
SettingsScheme::Object singleAnswerKeyScheme(SingleAnswerKey& key);
SettingsScheme::Object pairAnswerKeyScheme(PairAnswerKey& key);
