// Entry point and main window: the command line, one setup at a time, the
// log, and then the wizard or the unattended run.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/command_line.h"
#include "core/navigation.h"
#include "core/product_tables.h"
#include "core/text_format.h"
#include "frame/chrome.h"
#include "frame/frame.h"
#include "frame/private_files.h"
#include "frame/process_guard.h"
#include "frame/setup_log.h"
#include "frame/wizard.h"
#include "pages/paths.h"

namespace {

// The destination a /D= gave, proposed on the destination page; empty: none.
char ProposedDestination[MAX_PATH];

// What the wizard's end says, for the exit code.
int WizardExitCode()
{
    if (OsUnsupported)
        return ExitSystemUnsupported;
    if (InstallError == ErrProgramGroup)
        return ExitGroupNotCreated;
    if (InstallError == ErrAborted)
        return ExitUserStopped;
    if (InstallError != 0)
        return ExitFailed;
    // The last page was reached when the finishing step ran without an error.
    return FinishingDone ? ExitInstalled : ExitUserStopped;
}

BOOL CALLBACK BringForwardIfSetup(HWND window, LPARAM found)
{
    if (!GetPropA(window, SetupWindowProperty))
        return TRUE;
    if (IsIconic(window))
        ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
    *reinterpret_cast<bool*>(found) = true;
    return FALSE;
}

// The log: /LOG= in any run; an unattended run without it writes to a fixed
// file in TEMP (under the system's accounts, their private temporary folder),
// so that a failed deployment always leaves a trace.
void OpenLog(const CommandLine& line)
{
    char path[MAX_PATH];
    if (line.LogGiven) {
        OpenSetupLog(line.LogFile);
        return;
    }
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    if (!line.Unattended || length == 0 || length >= MAX_PATH || !TempFolderForKnownNames(temp, path, sizeof path))
        return;
    length = DWORD(std::strlen(path));
    if (FormatWhole(path + length, MAX_PATH - length, "%s", UnattendedLogName))
        OpenSetupLog(path);
}

int RunWizard(const CommandLine& line)
{
    if (line.DestinationGiven)
        lstrcpynA(ProposedDestination, line.Destination, MAX_PATH);
    MainWindow = CreateDialogParamA(AppInstance, "MAINDLG", nullptr, MainDialogProc, 0);
    if (!MainWindow)
        return ExitFailed;
    SetPropA(MainWindow, SetupWindowProperty, reinterpret_cast<HANDLE>(1));
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(MainWindow, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (StopRequested) {
            StopRequested = 0;
            DestroyWindow(MainWindow);
        }
    }
    DeleteTitleFont();
    FreePageList();
    return WizardExitCode();
}

} // namespace

bool PrepareInstallation()
{
    std::memset(&Descriptor, 0, sizeof Descriptor);
    FinishingDone = 0;
    ConfigureInstallation(&Descriptor);
    SetDefaultDestination(Descriptor.DefaultFolder);
    SetDefaultSharedFilesDir(Descriptor.SharedSubfolder, Descriptor.SharedName);
    return CheckOperatingSystem(Descriptor.OsFlags);
}

void StartWizard()
{
    bool supported = PrepareInstallation();
    LogLine(supported ? "system: supported" : "system: not supported");
    if (ProposedDestination[0])
        SetDestinationDir(ProposedDestination);
    if (!supported) {
        CreatePage("OSERRORDLG", StaticPageProc);
        SetNavButtons(false, false, true);
        FocusExitButton();
        return;
    }
    BuildPageList(Descriptor.PageCount);
    CurrentPosition = 0;
    ShowPageAt(0);
}

INT_PTR CALLBACK MainDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        MainWindow = window;
        CenterOnScreen(window);
        CreateTitleFont(window);
        ReadHighContrast();
        SubclassChrome();
        SetWindowIcons(window);
        StartWizard();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_EXIT:
            if (LaunchReaderAtExit)
                LaunchReaderInstaller();
            else
                StopRequested = 1;
            return 1;
        case IDC_NEXT:
            GoNextPage();
            return 1;
        case IDC_SCALE_CHANGED:
            RenewTitleFont(window);
            return 1;
        case IDC_BACK:
            GoPreviousPage();
            return 1;
        case IDCANCEL:
            // Escape (and the close box, which has set the request already)
            // stops the work as Exit does while a work page works; on the
            // other pages the dialog manager's command is ignored.
            if (OnWorkPage())
                StopRequested = 1;
            return 1;
        default:
            return 0;
        }
    case WM_DPICHANGED:
        // The system scales the dialogs to the new display; the bold title
        // and the icons follow once it has (the panel picks its picture at
        // every paint).
        PostMessageA(window, WM_COMMAND, IDC_SCALE_CHANGED, 0);
        SetWindowIcons(window);
        return 0;
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        ReadHighContrast();
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        return 0;
    case WM_SETCURSOR:
        if (!Busy)
            return 0;
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        SetWindowLongPtrA(window, DWLP_MSGRESULT, TRUE);
        return 1;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            StopRequested = 1;
        return 0;
    case WM_DESTROY:
        if (OpenGuideAtExit)
            OpenGettingStarted();
        PostQuitMessage(0);
        return 0;
    default:
        return 0;
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int)
{
    NarrowLibrarySearch();
    AppInstance = instance;
    CurrentPage = nullptr;
    StopRequested = 0;
    LaunchReaderAtExit = 0;
    InstallError = 0;
    PageList = PageListState{nullptr, 0};

    CommandLine line;
    bool parsed = ParseCommandLine(arguments, &line);
    // Where nobody sees a window (a deployment's session 0), a question or
    // a message would wait until the deployment's time-out: the run is
    // unattended, whatever its command line.
    bool interactive = HasInteractiveDesktop();
    bool madeUnattended = !interactive && !line.Unattended;
    if (madeUnattended)
        line.Unattended = 1;
    OpenLog(line);
    LogLine("command line: %s", arguments ? arguments : "");
    if (madeUnattended)
        LogLine("no interactive desktop: running unattended");
    int code = ExitInstalled;
    HANDLE lock = INVALID_HANDLE_VALUE;
    bool held = false;
    if (!parsed || line.UserStep || line.LibraryGiven) {
        // Each user's logon step is the logon program's, not the setup's.
        LogLine("%s", parsed ? "/USERSTEP and /LIB= belong to the logon program" : line.Error);
        if (!line.Unattended)
            MessageBoxA(nullptr, CommandLineUsage, "Install", MB_OK | MB_ICONERROR);
        code = ExitBadCommandLine;
    } else if ((lock = TakeSetupLock(&held)) == INVALID_HANDLE_VALUE && held) {
        bool found = false;
        if (!line.Unattended)
            EnumWindows(BringForwardIfSetup, reinterpret_cast<LPARAM>(&found));
        code = ExitAnotherSetupRunning;
    } else {
        code = line.Unattended ? RunUnattended(line) : RunWizard(line);
    }
    LogLine("exit code %d: %s", code, ExitReason(code));
    CloseSetupLog();
    if (lock != INVALID_HANDLE_VALUE)
        CloseHandle(lock);
    return code;
}
