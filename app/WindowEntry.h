// The program's window, in the build that has one. The Windows build links the window
// (ui/); the native build links app/main/NoWindow.cpp and runs from the command line only.
#pragma once

// True in the build that has the main window.
bool HasMainWindow();

// Opens the main window, or brings the one already open to the front and returns 0, and runs
// the message loop; returns the loop's exit code.
int RunMainWindow();
