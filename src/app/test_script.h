// For the program's own tests only: a script that answers the program's message boxes, file
// choosers and modal dialogs in place of a person, so that the real program runs whole passes
// under a virtual display. Users never see it: it is read only when the environment variable
// VIXO_TEST_SCRIPT names a script file.
//
// One rule per line; blank lines and lines starting with '#' are skipped:
//   log <file>                          what was asked, and how it was answered, is appended there
//   prompt <caption>[ #n] => <button>   the button's label ("Continue this pass", "OK", "No", ...)
//   file <title>[ #n] => <path>         or "cancel"
//   dialog <class or title>[ #n] => <action>; <action>; ...
// "#n" limits a rule to the n-th time (from 1) that caption, title or dialog is met; the first
// rule that fits, in file order, answers. Dialog actions, in order, each once the dialog's own
// modal loop runs: "text <k> <value>" types into its k-th text field (from 0), "slider <value>"
// moves its first slider, "click <label>" presses the button once it is enabled, "key <name>"
// presses space, escape, a letter or a digit, "close" closes the dialog as its close box would.
// What no rule answers is logged as "unanswered" and refused: a box with Cancel, No or OK, a
// chooser cancelled, a dialog ended with the cancel code.
//
// GUI thread only.
#pragma once

#include <string>

namespace vixo_test_hook {

// Reads the script named by VIXO_TEST_SCRIPT and installs its answerers; nothing when the
// variable is not set. A script that cannot be read ends the program with a message on
// standard error and exit code 3, so that a test never waits for a person.
void installFromEnvironment();

}  // namespace vixo_test_hook
