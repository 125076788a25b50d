// Window procedures that paint the main window's panel and separator, and
// what the installer's own painting goes by: the display's scale and the
// system's high-contrast setting.
#pragma once
#include <windows.h>

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK SeparatorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Puts procedure in place of the control's window procedure and returns the
// one it had (pointer-sized on every platform).
WNDPROC SubclassControl(HWND control, WNDPROC procedure);

// The dots per inch the window is shown at (96 at 100 %).
UINT WindowDpi(HWND window);
// Sets HighContrast from the system's setting.
void ReadHighContrast();
// The installer's own colour, or the system colour that takes its place
// while high contrast is on.
COLORREF ChromeColour(COLORREF own, int systemColour);
