// Screenshots of the setup's windows: the screen area a window covers,
// copied out of the screen DC and written as a PNG file.
#pragma once
#include <windows.h>

#include <string>

// Result: 1 written, 0 not.
int SaveWindowPng(HWND window, const std::string& path);
