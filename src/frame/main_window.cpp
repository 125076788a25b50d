// Entry point and main window.
#include <cstring>

#include "frame/frame.h"
#include "frame/navigation.h"
#include "frame/wizard.h"
#include "pages/paths.h"

void StartWizard()
{
    std::memset(&Descriptor, 0, sizeof Descriptor);
    FinishingDone = 0;
    ConfigureInstallation(&Descriptor);
    SetDefaultDestination(Descriptor.DefaultFolder);
    SetDefaultSharedFilesDir(Descriptor.SharedSubfolder, Descriptor.SharedName);
    if (!CheckOperatingSystem(Descriptor.OsFlags)) {
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
        SubclassChrome();
        SendMessageA(window, WM_SETICON, ICON_SMALL,
                     reinterpret_cast<LPARAM>(LoadIconA(AppInstance, MAKEINTRESOURCEA(2))));
        SendMessageA(window, WM_SETICON, ICON_BIG,
                     reinterpret_cast<LPARAM>(LoadIconA(AppInstance, MAKEINTRESOURCEA(1))));
        StartWizard();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IdExit:
            if (LaunchReaderAtExit)
                LaunchReaderInstaller();
            else
                StopRequested = 1;
            return 1;
        case IdNext:
            GoNextPage();
            return 1;
        case IdBack:
            GoPreviousPage();
            return 1;
        default:
            return 0;
        }
    case WM_SETCURSOR:
        if (!Busy)
            return 0;
        SetCursor(LoadCursorA(nullptr, IDC_WAIT));
        SetWindowLongA(window, DWL_MSGRESULT, TRUE);
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

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    AppInstance = instance;
    CurrentPage = nullptr;
    StopRequested = 0;
    LaunchReaderAtExit = 0;
    InstallError = 0;
    PageListCount = 0;

    MainWindow = CreateDialogParamA(instance, "MAINDLG", nullptr, MainDialogProc, 0);
    if (!MainWindow)
        return 0;

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
    return 0;
}
