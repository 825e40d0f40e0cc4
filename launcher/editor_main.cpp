// vixo_editor: the task editor, with the command line "-h", "edit <task file>" or
// "play <task file>" (both open the task in the editor).
#include "library_lookup.h"

int main(int argc, char** argv) { return runVixo(argc, argv, false); }
