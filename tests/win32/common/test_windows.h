// Windows that the Wine-hosted tests stand up in place of the real ones.
#pragma once
#include <windows.h>

#include <string>

// The main window of a test: MAINDLG with a procedure that handles nothing,
// so that only the frame's own calls act on its buttons.
inline INT_PTR CALLBACK TestMainProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

// The text of a dialog's control.
inline std::string Text(HWND window, int id)
{
    char text[1024] = "";
    GetDlgItemTextA(window, id, text, sizeof text);
    return text;
}
