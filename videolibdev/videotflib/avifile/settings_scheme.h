// Settings schemes bind the fields of one record to the members of one JSON object, so that
// the record is written and read back without code per field.
//
// A scheme is built on the spot by the record's owner, used on one thread and dropped; it holds
// plain pointers to the fields and must not outlive the record.
#pragma once

#include <list>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "avifile/json.h"

namespace SettingsScheme {

class SettingSaverBase {
 public:
  virtual ~SettingSaverBase() = default;
  // A new value holding the variable's current value.
  virtual Brindle::JSON save() const = 0;
  // Assigns the variable when the value is of the saver's kind; otherwise nothing changes.
  virtual void load(const Brindle::JSON& value) = 0;
  // A new saver bound to the same variable.
  virtual std::shared_ptr<SettingSaverBase> clone() const = 0;
};

// Integers are written as JSON Integers and read only from them; an int takes the low 32 bits
// of the stored 64-bit value.
template <typename T>
class IntegerSettingSaverT : public SettingSaverBase {
 public:
  explicit IntegerSettingSaverT(T* variable) : variable_(variable) {}
  Brindle::JSON save() const override {
    return Brindle::JSON(Brindle::JSONElements::Integer(static_cast<int64_t>(*variable_)));
  }
  void load(const Brindle::JSON& value) override {
    if (value.isInteger()) *variable_ = static_cast<T>(static_cast<uint64_t>(value.getInteger()));
  }
  std::shared_ptr<SettingSaverBase> clone() const override {
    return std::make_shared<IntegerSettingSaverT>(variable_);
  }

 protected:
  T* variable_;
};

template <typename T>
class SettingSaverT;

template <>
class SettingSaverT<std::wstring> : public SettingSaverBase {
 public:
  explicit SettingSaverT(std::wstring* variable) : variable_(variable) {}
  Brindle::JSON save() const override;
  void load(const Brindle::JSON& value) override;
  std::shared_ptr<SettingSaverBase> clone() const override {
    return std::make_shared<SettingSaverT>(variable_);
  }

 private:
  std::wstring* variable_;
};

template <>
class SettingSaverT<std::string> : public SettingSaverBase {
 public:
  explicit SettingSaverT(std::string* variable) : variable_(variable) {}
  Brindle::JSON save() const override { return Brindle::JSON(*variable_); }
  void load(const Brindle::JSON& value) override {
    if (value.isString()) *variable_ = value.getString();
  }
  std::shared_ptr<SettingSaverBase> clone() const override {
    return std::make_shared<SettingSaverT>(variable_);
  }

 private:
  std::string* variable_;
};

template <>
class SettingSaverT<double> : public SettingSaverBase {
 public:
  explicit SettingSaverT(double* variable) : variable_(variable) {}
  Brindle::JSON save() const override {
    return Brindle::JSON(Brindle::JSONElements::Float(*variable_));
  }
  void load(const Brindle::JSON& value) override {
    if (value.isFloat()) *variable_ = value.getFloat();
  }
  std::shared_ptr<SettingSaverBase> clone() const override {
    return std::make_shared<SettingSaverT>(variable_);
  }

 private:
  double* variable_;
};

template <>
class SettingSaverT<bool> : public SettingSaverBase {
 public:
  explicit SettingSaverT(bool* variable) : variable_(variable) {}
  Brindle::JSON save() const override { return Brindle::JSON(*variable_); }
  void load(const Brindle::JSON& value) override {
    if (value.isBool()) *variable_ = value.getBool();
  }
  std::shared_ptr<SettingSaverBase> clone() const override {
    return std::make_shared<SettingSaverT>(variable_);
  }

 private:
  bool* variable_;
};

template <>
class SettingSaverT<int> : public IntegerSettingSaverT<int> {
 public:
  using IntegerSettingSaverT<int>::IntegerSettingSaverT;
};

template <>
class SettingSaverT<long long> : public IntegerSettingSaverT<long long> {
 public:
  using IntegerSettingSaverT<long long>::IntegerSettingSaverT;
};

// Any JSON value: saved as a copy, loaded from a value of any kind.
template <>
class SettingSaverT<Brindle::JSON> : public SettingSaverBase {
 public:
  explicit SettingSaverT(Brindle::JSON* variable) : variable_(variable) {}
  Brindle::JSON save() const override { return *variable_; }
  void load(const Brindle::JSON& value) override {
    if (variable_->element() != value.element()) *variable_ = value;
  }
  std::shared_ptr<SettingSaverBase> clone() const override {
    return std::make_shared<SettingSaverT>(variable_);
  }

 private:
  Brindle::JSON* variable_;
};

// A pair of ints as [first, second]; an array of exactly two elements loads each half through
// the int saver, anything else is ignored.
template <>
class SettingSaverT<std::pair<int, int>> : public SettingSaverBase {
 public:
  explicit SettingSaverT(std::pair<int, int>* variable) : variable_(variable) {}
  Brindle::JSON save() const override;
  void load(const Brindle::JSON& value) override;
  std::shared_ptr<SettingSaverBase> clone() const override {
    return std::make_shared<SettingSaverT>(variable_);
  }

 private:
  std::pair<int, int>* variable_;
};

// A sequence of elements as an array. Loading from an array resizes a vector to it (new
// elements value-made) or refills a list, each element through the element's saver; anything
// but an array is ignored.
template <class Container>
class SequenceSaver : public SettingSaverBase {
 public:
  using Element = typename Container::value_type;
  explicit SequenceSaver(Container* variable) : variable_(variable) {}
  Brindle::JSON save() const override {
    Brindle::JSON array{Brindle::JSONElements::Array()};
    for (const Element& e : *variable_) {
      Element copy = e;
      array.append(SettingSaverT<Element>(&copy).save());
    }
    return array;
  }
  void load(const Brindle::JSON& value) override {
    if (!value.isArray()) return;
    const auto& elements = value.elements();
    if constexpr (std::is_same_v<Container, std::list<Element>>) {
      variable_->clear();
      for (const Brindle::JSON& element : elements) {
        Element e{};
        SettingSaverT<Element>(&e).load(element);
        variable_->push_back(e);
      }
    } else {
      variable_->resize(elements.size());
      for (size_t i = 0; i < elements.size(); ++i)
        SettingSaverT<Element>(&(*variable_)[i]).load(elements[i]);
    }
  }
  std::shared_ptr<SettingSaverBase> clone() const override {
    return std::make_shared<SequenceSaver>(variable_);
  }

 private:
  Container* variable_;
};

template <>
class SettingSaverT<std::vector<int>> : public SequenceSaver<std::vector<int>> {
 public:
  using SequenceSaver::SequenceSaver;
};
template <>
class SettingSaverT<std::vector<std::pair<int, int>>>
    : public SequenceSaver<std::vector<std::pair<int, int>>> {
 public:
  using SequenceSaver::SequenceSaver;
};
template <>
class SettingSaverT<std::list<std::pair<int, int>>>
    : public SequenceSaver<std::list<std::pair<int, int>>> {
 public:
  using SequenceSaver::SequenceSaver;
};

// The scheme of one record: its members in declaration order.
class Object : public SettingSaverBase {
 public:
  Object& add(const std::wstring& key, std::wstring* variable);
  Object& add(const std::wstring& key, int* variable);
  Object& add(const std::wstring& key, std::string* variable);
  Object& add(const std::wstring& key, bool* variable);
  Object& add(const std::wstring& key, double* variable);
  Object& add(const std::wstring& key, long long* variable);
  Object& add(const std::wstring& key, Brindle::JSON* variable);
  Object& add(const std::wstring& key, std::pair<int, int>* variable);
  Object& add(const std::wstring& key, std::vector<int>* variable);
  Object& add(const std::wstring& key, std::vector<std::pair<int, int>>* variable);
  Object& add(const std::wstring& key, std::list<std::pair<int, int>>* variable);
  // Any other saver (savers for pairs and lists of the records that need them).
  Object& add(const std::wstring& key, std::shared_ptr<SettingSaverBase> saver);

  // The record as a JSON object, members in declaration order; a key declared twice is
  // written once, at its first place, with the value of its last declaration.
  Brindle::JSON save() const override;
  // Sets the fields whose keys the object has (the first declaration of a key); other
  // members, absent keys and values of another kind leave the fields as they are.
  void load(const Brindle::JSON& value) override;
  std::shared_ptr<SettingSaverBase> clone() const override;

 private:
  std::map<std::wstring, std::shared_ptr<SettingSaverBase>> index_;
  std::vector<std::pair<std::wstring, std::shared_ptr<SettingSaverBase>>> members_;
};

}  // namespace SettingsScheme
