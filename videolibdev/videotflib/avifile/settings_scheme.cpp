#include "avifile/settings_scheme.h"

#include "avifile/avi_system.h"

namespace SettingsScheme {

Brindle::JSON SettingSaverT<std::wstring>::save() const { return Brindle::JSON(*variable_); }

void SettingSaverT<std::wstring>::load(const Brindle::JSON& value) {
  if (value.isString()) *variable_ = value.getWString();
}

Object& Object::add(const std::wstring& key, std::shared_ptr<SettingSaverBase> saver) {
  index_.emplace(key, saver);  // an existing key keeps its saver
  members_.emplace_back(key, std::move(saver));
  return *this;
}

Object& Object::add(const std::wstring& key, std::wstring* variable) {
  return add(key, std::make_shared<SettingSaverT<std::wstring>>(variable));
}
Object& Object::add(const std::wstring& key, int* variable) {
  return add(key, std::make_shared<SettingSaverT<int>>(variable));
}
Object& Object::add(const std::wstring& key, std::string* variable) {
  return add(key, std::make_shared<SettingSaverT<std::string>>(variable));
}
Object& Object::add(const std::wstring& key, bool* variable) {
  return add(key, std::make_shared<SettingSaverT<bool>>(variable));
}
Object& Object::add(const std::wstring& key, double* variable) {
  return add(key, std::make_shared<SettingSaverT<double>>(variable));
}
Object& Object::add(const std::wstring& key, long long* variable) {
  return add(key, std::make_shared<SettingSaverT<long long>>(variable));
}
Object& Object::add(const std::wstring& key, Brindle::JSON* variable) {
  return add(key, std::make_shared<SettingSaverT<Brindle::JSON>>(variable));
}

Object& Object::add(const std::wstring& key, std::pair<int, int>* variable) {
  return add(key, std::make_shared<SettingSaverT<std::pair<int, int>>>(variable));
}
Object& Object::add(const std::wstring& key, std::vector<int>* variable) {
  return add(key, std::make_shared<SettingSaverT<std::vector<int>>>(variable));
}
Object& Object::add(const std::wstring& key, std::vector<std::pair<int, int>>* variable) {
  return add(key, std::make_shared<SettingSaverT<std::vector<std::pair<int, int>>>>(variable));
}
Object& Object::add(const std::wstring& key, std::list<std::pair<int, int>>* variable) {
  return add(key, std::make_shared<SettingSaverT<std::list<std::pair<int, int>>>>(variable));
}

Brindle::JSON SettingSaverT<std::pair<int, int>>::save() const {
  Brindle::JSON array{Brindle::JSONElements::Array()};
  array.append(Brindle::JSONElements::Integer(variable_->first));
  array.append(Brindle::JSONElements::Integer(variable_->second));
  return array;
}

void SettingSaverT<std::pair<int, int>>::load(const Brindle::JSON& value) {
  if (!value.isArray() || value.size() != 2) return;
  SettingSaverT<int>(&variable_->first).load(value.at(0));
  SettingSaverT<int>(&variable_->second).load(value.at(1));
}

Brindle::JSON Object::save() const {
  Brindle::JSON object{Brindle::JSONElements::Object()};
  for (const auto& [key, saver] : members_) {
    Brindle::JSON value = saver->save();
    // A JSON field whose handle holds nothing has no value to write: the member is skipped.
    if (!value.element()) continue;
    object.set(toUtf8(key), value);
  }
  return object;
}

void Object::load(const Brindle::JSON& value) {
  if (!value.isObject()) return;
  for (const auto& member : value.members()) {
    auto it = index_.find(fromUtf8(member.key));
    if (it != index_.end()) it->second->load(member.value);
  }
}

std::shared_ptr<SettingSaverBase> Object::clone() const {
  auto copy = std::make_shared<Object>();
  copy->index_ = index_;
  copy->members_ = members_;
  return copy;
}

}  // namespace SettingsScheme
