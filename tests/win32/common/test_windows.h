// Windows that the Wine-hosted tests stand up in place of the real ones.
#pragma once
#include <windows.h>

#include <string>

#include "frame/frame.h"

// A dialog procedure that handles nothing: the main window of a test
// (MAINDLG) has it, so that only the frame's own calls act on its buttons.
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

// Sets the frame's process-wide state to a known start (no error, no stop
// asked, no page, finishing not done) and opens a test main window in
// MainWindow; returns it, or nullptr when it could not be made.
inline HWND OpenTestMainWindow()
{
    AppInstance = GetModuleHandleA(nullptr);
    InstallError = 0;
    InstallErrorArg = nullptr;
    StopRequested = 0;
    FinishingDone = 0;
    CurrentPage = nullptr;
    MainWindow = CreateDialogParamA(AppInstance, "MAINDLG", nullptr, TestMainProc, 0);
    return MainWindow;
}

// Destroys the page shown and the main window, and clears the error and the
// stop request a test may have left behind.
inline void CloseTestMainWindow()
{
    if (CurrentPage)
        DestroyWindow(CurrentPage);
    CurrentPage = nullptr;
    if (MainWindow)
        DestroyWindow(MainWindow);
    MainWindow = nullptr;
    InstallError = 0;
    StopRequested = 0;
}
