// Entry point, main window and page navigation.
#include <cstdio>
#include <cstring>

#include "frame/frame.h"
#include "frame/navigation.h"
#include "frame/wizard.h"
#include "pages/paths.h"

namespace {

PageListState Pages;
char ErrorArgCopy[512];

void FocusExit()
{
    SetFocus(GetDlgItem(MainWindow, IdExit));
}

} // namespace

void BuildPageList(int count)
{
    PageListFree(&Pages);
    PageListBuild(&Pages, count);
    PageList = Pages.Ids;
    PageListCount = count;
}

void FreePageList()
{
    PageListFree(&Pages);
    PageList = nullptr;
}

void SetPageInList(int pageId, bool present)
{
    // Ids at or above the descriptor's page count are not pages.
    if (pageId >= Descriptor.PageCount)
        return;
    PageListSet(&Pages, pageId, present);
}

bool CheckOperatingSystem(int osFlags)
{
    OsUnsupported = 1;
    UseFontsFolder = 1;
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info; // 148 bytes
    OsVersion version = {0, 0};
    if (GetVersionExA(&info)) {
        version.PlatformId = info.dwPlatformId;
        version.MajorVersion = info.dwMajorVersion;
    }
    OsDecision decision = DecideOperatingSystem(osFlags, version);
    UseFontsFolder = decision.UseFontsFolder;
    if (decision.Supported)
        OsUnsupported = 0;
    return decision.Supported;
}

HWND CreatePage(const char* templateName, DLGPROC pageProcedure)
{
    SetFocus(GetDlgItem(MainWindow, IdNext));
    CurrentPage = CreateDialogParamA(AppInstance, templateName, MainWindow, pageProcedure, 0);
    if (!CurrentPage)
        return nullptr;
    SendDlgItemMessageA(CurrentPage, IdPageTitle, WM_SETFONT, reinterpret_cast<WPARAM>(TitleFont), FALSE);
    ShowWindow(CurrentPage, SW_SHOWNORMAL);
    return CurrentPage;
}

static void DestroyCurrentPage()
{
    if (CurrentPage) {
        HWND page = CurrentPage;
        CurrentPage = nullptr;
        DestroyWindow(page);
    }
}

void ShowPageAt(int position)
{
    if (!PageList || position < 0 || position > PageListCount)
        return;
    int id = PageList[position];
    if (id == -1)
        return;
    if (id == PageListCount - 1) {
        OpenGuideAtExit = 1;
        FinishInstallation(InstallError);
    }
    DestroyCurrentPage();
    CreatePage(Descriptor.PageTemplates[id], Descriptor.PageProcedures[id]);
    CurrentPosition = position;

    bool next = PageList[position + 1] != -1;
    if (id >= Descriptor.FirstWorkPage) {
        SetNavButtons(false, false, true);
        FocusExit();
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    } else if (position == 1) {
        // The destination page sets its own buttons: Next only while the payload fits.
    } else if (id == 4) {
        SetNavButtons(false, next, true);
    } else {
        SetNavButtons(position > 0, next, true);
    }
}

void GoNextPage()
{
    if (InstallError != 0 || !PageList)
        return;
    if (CurrentPage)
        SendMessageA(CurrentPage, WM_COMMAND, PageCommit, 0);
    switch (LeavePage(PageList[CurrentPosition])) {
    case 1:
        ShowPageAt(CurrentPosition + 1);
        break;
    case 2:
        if (CurrentPosition > 0)
            ShowPageAt(CurrentPosition - 1);
        break;
    case 3:
        ShowPageAt(CurrentPosition);
        break;
    default:
        break;
    }
}

void GoPreviousPage()
{
    if (InstallError == 0 && CurrentPosition > 0)
        ShowPageAt(CurrentPosition - 1);
}

void ShowErrorPage(int errorCode, const char* argument)
{
    // The argument often lives in the engine of the page destroyed below.
    if (argument) {
        std::snprintf(ErrorArgCopy, sizeof ErrorArgCopy, "%s", argument);
        InstallErrorArg = ErrorArgCopy;
    } else {
        InstallErrorArg = nullptr;
    }
    InstallError = errorCode;
    DestroyCurrentPage();
    CreatePage("ERRORDLG", ErrorPageProc);
    SetExitCaption("Close");
    SetNavButtons(false, false, true);
    FocusExit();
}

INT_PTR CALLBACK ErrorPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        char format[256];
        char text[512];
        if (LoadStringA(AppInstance, 50 + InstallError, format, sizeof format) <= 0)
            format[0] = '\0';
        // Our own string table: every message has at most the one %s.
        std::snprintf(text, sizeof text, format, InstallErrorArg ? InstallErrorArg : "");
        SetDlgItemTextA(window, IdErrorText, text);
    }
    return PageDefaultProc(window, message, wParam, lParam);
}

void StartWizard()
{
    std::memset(&Descriptor, 0, sizeof Descriptor);
    ConfigureInstallation(&Descriptor);
    SetDefaultDestination(Descriptor.DefaultFolder);
    SetDefaultSharedFilesDir(Descriptor.SharedSubfolder, Descriptor.SharedName);
    if (!CheckOperatingSystem(Descriptor.OsFlags)) {
        CreatePage("OSERRORDLG", StaticPageProc);
        SetNavButtons(false, false, true);
        FocusExit();
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
    if (TitleFont)
        DeleteObject(TitleFont);
    FreePageList();
    return 0;
}
