// vixo_player: plays the task file given as the only argument, or one chosen in a file dialog.
#include "library_lookup.h"

int main(int argc, char** argv) { return runVixo(argc, argv, true); }
