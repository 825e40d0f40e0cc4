// The names of the displays that the start-test dialog offers. GUI thread only.
#pragma once

#include <wx/arrstr.h>
#include <wx/gdicmn.h>
#include <wx/string.h>

// One text per display, in the toolkit's display order: its name (or "Display " and its number
// counted from 1 when it has none), a blank and its full size in parentheses, "(1920×1080)".
wxArrayString listDisplays();

// The text of the display at `index` (counted from 0) with that name and full geometry.
wxString displayText(const wxString& name, unsigned index, const wxRect& geometry);
