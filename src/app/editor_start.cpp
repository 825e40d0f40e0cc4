#include <iostream>

#include "app/vixo_app.h"

// The task editor's main window is not part of this build yet: edit mode says so and ends.
bool openEditor(const StartOptions&) {
  std::cerr << "The task editor is not available in this build of VIXO.\n";
  return false;
}
