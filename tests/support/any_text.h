// Settings values shown in test failure messages.
#pragma once

#include <string>

#include "avifile/property_value.h"

namespace vixo_test {

// The kind and the text of a value, "(empty)" for an empty handle.
inline std::string describe(const Any& v) {
  if (v.empty()) return "(empty)";
  static const char* const names[] = {"int", "long long", "double", "bool", "string"};
  return std::string(names[static_cast<int>(v->typeId())]) + " " + anyToText(v);
}

}  // namespace vixo_test
