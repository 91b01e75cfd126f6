// The native build has no window: started without arguments the program says how to run.
#include "app/WindowEntry.h"

bool HasMainWindow() { return false; }

int RunMainWindow() { return 0; }
