// Shared look of the views: bold section headings.
#pragma once

#include <windows.h>

#include <initializer_list>

// Gives the labels of the window the bold face of its dialog font.
void MakeHeadings(HWND window, std::initializer_list<int> ids);
