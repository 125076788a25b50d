// The page list and the moves between pages, the default page procedures
// and the error page.
#include <cstdio>
#include <cstring>

#include "core/navigation.h"
#include "core/text_format.h"
#include "frame/frame.h"
#include "frame/host.h"
#include "frame/setup_log.h"
#include "frame/wizard.h"
#include "pages/paths.h"

namespace {

char ErrorArgCopy[512];

// The error page's message of each error code.
struct ErrorMessage {
    int Code;
    UINT StringId;
};
const ErrorMessage ErrorMessages[] = {
    {ErrSourceMissing, IDS_SOURCE_MISSING},
    {ErrDataMissing, IDS_DATA_MISSING},
    {ErrCreateFile, IDS_CREATE_FILE},
    {ErrReadFile, IDS_READ_FILE},
    {ErrWriteFile, IDS_WRITE_FILE},
    {ErrFileSize, IDS_FILE_SIZE},
    {ErrChecksum, IDS_CHECKSUM},
    {ErrCrcRead, IDS_CRC_READ},
    {ErrUncompress, IDS_UNCOMPRESS},
    {ErrAborted, IDS_ABORTED},
    {ErrCreateDirectory, IDS_CREATE_DIRECTORY},
    {ErrRegistry, IDS_REGISTRY},
    {ErrProgramGroup, IDS_PROGRAM_GROUP},
};

// 0 for a code without a message.
UINT ErrorStringId(int errorCode)
{
    for (const ErrorMessage& message : ErrorMessages) {
        if (message.Code == errorCode)
            return message.StringId;
    }
    return 0;
}

} // namespace

void FinishInstallationOnce(int errorCode)
{
    if (FinishingDone)
        return;
    FinishingDone = 1;
    FinishInstallation(CurrentSession(), errorCode);
}

void BuildPageList(int count)
{
    PageListFree(&PageList);
    PageListBuild(&PageList, count);
}

void FreePageList()
{
    PageListFree(&PageList);
}

void SetPageInList(int pageId, bool present)
{
    // Ids at or above the descriptor's page count are not pages.
    if (pageId >= Descriptor.PageCount)
        return;
    PageListSet(&PageList, pageId, present);
}

HWND CreatePage(const char* templateName, DLGPROC pageProcedure)
{
    SetFocus(GetDlgItem(MainWindow, IDC_NEXT));
    CurrentPage = CreateDialogParamA(AppInstance, templateName, MainWindow, pageProcedure, 0);
    if (!CurrentPage)
        return nullptr;
    SendDlgItemMessageA(CurrentPage, IDC_PAGE_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(TitleFont), FALSE);
    FitCheckBoxes(CurrentPage);
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
    if (!PageList.Ids || position < 0 || position > PageList.Count)
        return;
    int id = PageList.Ids[position];
    if (id == -1)
        return;
    if (id == PageList.Count - 1) {
        OpenGuideAtExit = 1;
        FinishInstallationOnce(InstallError);
    }
    DestroyCurrentPage();
    CreatePage(Descriptor.PageTemplates[id], Descriptor.PageProcedures[id]);
    CurrentPosition = position;

    PageButtons buttons = PageButtonsAt(PageList, position, Descriptor.FirstWorkPage);
    if (buttons.SetByFrame)
        SetNavButtons(buttons.Back, buttons.Next, true);
    if (buttons.Work) {
        FocusExitButton();
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
    }
}

void GoNextPage()
{
    if (InstallError != 0 || !PageList.Ids || Busy)
        return;
    if (CurrentPage)
        SendMessageA(CurrentPage, WM_COMMAND, IDC_PAGE_COMMIT, 0);
    switch (LeavePage(PageList.Ids[CurrentPosition])) {
    case LeaveNext:
        ShowPageAt(CurrentPosition + 1);
        break;
    case LeavePrevious:
        if (CurrentPosition > 0)
            ShowPageAt(CurrentPosition - 1);
        break;
    case LeaveShowAgain:
        ShowPageAt(CurrentPosition);
        break;
    case LeaveStay:
        break;
    }
}

bool OnWorkPage()
{
    if (!PageList.Ids || InstallError != 0 || !CurrentPage)
        return false;
    int id = PageList.Ids[CurrentPosition];
    return id >= Descriptor.FirstWorkPage && id < PageList.Count - 1;
}

void GoPreviousPage()
{
    if (InstallError == 0 && !Busy && CurrentPosition > 0)
        ShowPageAt(CurrentPosition - 1);
}

void FormatErrorText(int errorCode, const char* argument, char* out, size_t size)
{
    char format[256];
    UINT stringId = ErrorStringId(errorCode);
    if (stringId == 0 || LoadStringA(AppInstance, stringId, format, sizeof format) <= 0)
        format[0] = '\0';
    // Our own string table: every message has at most the one %s.
    FormatText(out, size, format, argument ? argument : "");
}

void ShowErrorPage(int errorCode, const char* argument)
{
    // The argument often lives in the engine of the page destroyed below.
    if (argument) {
        FormatText(ErrorArgCopy, sizeof ErrorArgCopy, "%s", argument);
        InstallErrorArg = ErrorArgCopy;
    } else {
        InstallErrorArg = nullptr;
    }
    InstallError = errorCode;
    char text[512];
    FormatErrorText(errorCode, InstallErrorArg, text, sizeof text);
    LogLine("error %d: %s", errorCode, text);
    DestroyCurrentPage();
    CreatePage("ERRORDLG", ErrorPageProc);
    SetExitCaption("Close");
    SetNavButtons(false, false, true);
    FocusExitButton();
}

INT_PTR CALLBACK ErrorPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        char text[512];
        FormatErrorText(InstallError, InstallErrorArg, text, sizeof text);
        SetDlgItemTextA(window, IDC_ERROR_TEXT, text);
    }
    return PageDefaultProc(window, message, wParam, lParam);
}


INT_PTR PageDefaultProc(HWND, UINT, WPARAM, LPARAM)
{
    return 0;
}

INT_PTR CALLBACK StaticPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return PageDefaultProc(window, message, wParam, lParam);
}
