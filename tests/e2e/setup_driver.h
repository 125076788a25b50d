// Drives a running setup.exe from outside, as a user would: finds its main
// window and current page, reads control texts and states, presses buttons
// and answers message boxes. Every wait is bounded.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "frame/resource_ids.h"
#include "../win32/common/scratch_files.h"  // WindowsPath

// Polls `ready` every 50 ms until it holds or `timeoutMs` has passed.
template <class Predicate>
bool WaitUntil(Predicate ready, DWORD timeoutMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (ready())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
}

// The window text of any window, also of another process (WM_GETTEXT is
// marshalled); empty when the window does not answer within 5 s.
std::string WindowText(HWND window);
std::string ClassNameOf(HWND window);
// Texts of every static child of a window, in z order.
std::vector<std::string> StaticTexts(HWND window);
// The setup.exe the scenarios walk (a Linux path): KOVA_E2E_SETUP_EXE when
// set, such as a signed copy, else the one this driver was built with.
const char* SetupExePath();

struct SetupOptions {
    std::string arguments;                  // after the program's name
    bool unattended = false;                // no main window to wait for
    std::string currentDir;                 // the setup's current directory
    std::vector<std::string> environment;   // NAME=VALUE entries that replace or add to ours
    std::vector<std::string> unsetNames;    // variables the setup must not see
    std::string desktop;                    // "station\\desktop" to start on, or ours
};

class SetupProcess {
public:
    SetupProcess() = default;
    SetupProcess(const SetupProcess&) = delete;
    SetupProcess& operator=(const SetupProcess&) = delete;
    ~SetupProcess();

    // Starts setup.exe and waits for its main window (unless unattended).
    // Result: 1 running (with a main window), 0 not (error() says why).
    int Start(const SetupOptions& options);
    const std::string& error() const { return error_; }

    HWND main() const { return main_; }
    DWORD pid() const { return pid_; }
    bool Running() const;
    // Waits for the process to end; result true when it ended in time.
    bool WaitExit(DWORD timeoutMs);
    DWORD ExitCode() const;
    void Kill();

    // The page dialog shown now, or null.
    HWND Page() const;
    std::string PageTitle() const;
    // Waits until the page title reads `title`; returns the page or null.
    HWND WaitForPage(const char* title, DWORD timeoutMs) const;
    bool PageHasText(const char* fragment) const;

    HWND Button(int id) const { return GetDlgItem(main_, id); }
    HWND PageItem(int id) const;
    std::string ItemText(int id) const;   // a page control's text
    bool Enabled(int buttonId) const { return IsWindowEnabled(Button(buttonId)) != 0; }
    bool Visible(HWND window) const { return window && IsWindowVisible(window); }
    bool Checked(int pageItemId) const;
    // The default button of the main window (DM_GETDEFID), 0 when none.
    int DefaultButton() const;

    // Posts a click, so that a modal message box opened by the click does
    // not block the driver.
    void Click(HWND control) const;
    void ClickMain(int id) const { Click(Button(id)); }
    void ClickPage(int id) const { Click(PageItem(id)); }
    void SetPageItemText(int id, const char* text) const;
    // Keystrokes through the system's input, as a user types them, sent at
    // once after bringing the setup's window to the front; false when they
    // could not be sent there. With `alt`, Alt is held through them.
    bool PressKeys(const std::vector<WORD>& keys, bool alt = false) const;
    bool TypeText(const char* text) const;
    // The control that has the keyboard focus in the setup, or null.
    HWND Focus() const;
    void CloseBox() const;    // the system menu's Close

    // Top-level dialog windows of the setup process other than its main
    // window (the message boxes), visible ones only.
    std::vector<HWND> MessageBoxes() const;
    HWND WaitForMessageBox(DWORD timeoutMs) const;
    // Waits for the process to end, watching its windows meanwhile: the
    // number of visible top-level windows it showed (-1: it did not end).
    int WindowsShownUntilExit(DWORD timeoutMs) const;
    std::string MessageBoxText(HWND box) const;
    void Answer(HWND box, int buttonId) const;

private:
    HWND FindMainWindow() const;
    bool ToFront() const;

    PROCESS_INFORMATION process_ = {};
    HWND main_ = nullptr;
    DWORD pid_ = 0;
    std::string error_;
};

// Starts any program with a command line, in `dir` (or ours), not waiting;
// with `options`, in the environment they give.
HANDLE StartProgram(const std::string& commandLine, const char* dir, const SetupOptions* options = nullptr);
