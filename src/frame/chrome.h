// Window procedures that paint the main window's panel and separator.
#pragma once
#include <windows.h>

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SeparatorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Puts procedure in place of the control's window procedure and returns the
// one it had (pointer-sized on every platform).
WNDPROC SubclassControl(HWND control, WNDPROC procedure);
