// The pictures compiled into the program: tool and menu pictures of the main window, the
// file-list state icons, the thumbnail placeholder and the product logo.
//
// Each accessor decodes its PNG picture on its first call and returns the same bitmap ever
// after; callers copy it into the control that shows it (bitmaps share their data). A picture
// that cannot be decoded gives an invalid bitmap. GUI thread only: the one-time set-up is
// thread-safe, but the toolkit's bitmaps are not to be shared across threads.
#pragma once

class wxBitmap;

// 24 x 24 tool pictures and 16 x 16 menu pictures, transparent background.
const wxBitmap& setReferenceToolBitmap();  // green tick
const wxBitmap& setReferenceMenuBitmap();
const wxBitmap& moveDownToolBitmap();  // blue chevron pointing down
const wxBitmap& moveUpToolBitmap();    // light blue chevron pointing up
const wxBitmap& setGroupMenuBitmap();  // three by three coloured squares
const wxBitmap& groupFilesToolBitmap();
const wxBitmap& viewResultsToolBitmap();  // blue bulleted list
const wxBitmap& viewResultsMenuBitmap();
const wxBitmap& debugToolBitmap();  // red play triangle
const wxBitmap& debugMenuBitmap();
const wxBitmap& debugToolBlockedBitmap();  // grey play triangle with a red badge and a cross
const wxBitmap& addFilesToolBitmap();      // blue plus sign
const wxBitmap& addFilesMenuBitmap();
const wxBitmap& runToolBitmap();  // light red play triangle with a red exclamation mark
const wxBitmap& runMenuBitmap();
const wxBitmap& runToolBlockedBitmap();   // grey play triangle and exclamation mark, red badge
const wxBitmap& removeFilesToolBitmap();  // dark red waste bin
const wxBitmap& removeFilesMenuBitmap();

// 16 x 16 file-list state icons, transparent background.
const wxBitmap& fileLoadingBitmap();  // clock face
const wxBitmap& fileOkBitmap();       // green thumb up
const wxBitmap& fileErrorBitmap();    // red thumb down

// 150 x 117, transparent background: an eye in a rounded frame above a two-line caption.
const wxBitmap& productLogoBitmap();

// 400 x 200, opaque white: a red prohibition sign above "Video not loaded :(".
const wxBitmap& videoNotLoadedBitmap();
