// Reading JSON documents written inline in tests.
#pragma once

#include <sstream>
#include <string>

#include "avifile/json_parser.h"

namespace vixo_test {

inline Brindle::JSON parseText(const std::string& text) {
  std::istringstream in(text);
  return Brindle::JSONparser::parse(in);
}

}  // namespace vixo_test
