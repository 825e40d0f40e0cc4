// How toolkit values compare and convert inside the reactive value library.
#pragma once

#include <wx/colour.h>
#include <wx/string.h>

#include <string>

#include "common/variable.h"

namespace connections {

// Two colours are equal when both are invalid, or both valid with the same channels.
template <>
struct ValueTraits<wxColour> {
  static bool equal(const wxColour& a, const wxColour& b) {
    if (a.IsOk() != b.IsOk()) return false;
    if (!a.IsOk()) return true;
    return a.Red() == b.Red() && a.Green() == b.Green() && a.Blue() == b.Blue() &&
           a.Alpha() == b.Alpha();
  }
};

// Narrow text in this system is UTF-8, whatever the process locale says.
template <>
struct ValueConversion<wxString, std::string> {
  static wxString convert(const std::string& text) { return wxString::FromUTF8(text); }
};

}  // namespace connections
