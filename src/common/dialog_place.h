// Where dialogs appear: centred on a point, kept inside the top-left edges of the display that
// holds the point, with the mouse pointer moved onto them. GUI thread only.
#pragma once

#include <wx/gdicmn.h>

class wxTopLevelWindow;
class wxWindow;

namespace vixo {

// The full rectangle of the display that contains the point; the primary display's when the
// point lies on none.
wxRect displayRectAt(wxPoint point);

// The number of displays (at least 1) and the rectangle of display `index`; the primary
// display's for an index that names no display.
unsigned displayCount();
wxRect displayRect(int index);

// The centre of the window's rectangle, rounded down: ((2x + w - 1) / 2, (2y + h - 1) / 2).
wxPoint windowCentre(const wxWindow& window);

// Moves the window so that its centre is at (cx, cy), but not left of or above the display
// that holds the point (its right and bottom edges are not limited), then puts the mouse
// pointer on the window's centre when the window has an area.
void placeDialogAt(wxTopLevelWindow* window, int cx, int cy);

// Grows the window, never shrinking it, to the size its sizer needs for its controls' best
// sizes: the toolkit's fonts and buttons may need more room than a layout's fixed size gives.
// It does not grow beyond the work area of its display.
void growToFitControls(wxTopLevelWindow* window);

// Brings the window to the front with the keyboard focus at the next turn of the event loop (a
// modal loop's first, for a window about to be shown modally), when it is shown then. Under a
// window manager a dialog may otherwise open behind the full-screen window of a test run, which
// took the focus just before it; without one the keys would go to whatever lies under the
// pointer.
void presentSoon(wxTopLevelWindow* window);

}  // namespace vixo
