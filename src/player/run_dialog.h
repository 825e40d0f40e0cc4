// What the dialogs of a test run share: the close that goes through the player's interrupter,
// the digit keys of the mark scales and the decimal labels of marks. GUI thread only.
#pragma once

#include <wx/string.h>

#include "common/operations.h"

class TestInterrupter;
class wxButton;
class wxDialog;
class wxStaticText;

// Binds the dialog's close (close box, Alt+F4, any close request). While `answered` is false
// the close goes through the interrupter: a close that cannot be refused stops the pass; one
// that can is refused when the observer chooses to continue. A close that is passed on ends
// the modal loop through the toolkit's default handling. `answered` must outlive the dialog;
// without an interrupter every close is passed on.
void bindRunDialogClose(wxDialog& dialog, const bool& answered, TestInterrupter* interrupter);

// "OK" and "Watch again" of a voting dialog: each sets `watchAgain` (false, true) and
// `buttonPressed`, then ends the modal loop with 0. The flags must outlive the dialog.
void bindVoteButtons(wxDialog& dialog, wxButton* ok, wxButton* again, bool& buttonPressed,
                     bool& watchAgain);

// The digit 0..9 of a key of the main keyboard or of the numeric pad; -1 for any other key.
int digitOfKey(int keyCode);

// Makes the label show the mark in decimal from now on; the binding goes into `bindings`.
void bindDecimalLabel(wxStaticText* label, const connections::ExpressionPtr<int>& mark,
                      connections::BindingList& bindings);
