// The completion page, and what happens when the program ends after it:
// the reader installer is started, or the getting-started document opened.
#include <windows.h>
#include <cstdio>

#include "frame/frame.h"
#include "frame/wizard.h"
#include "pages/pages.h"
#include "pages/paths.h"

namespace {

enum {
    IdReaderGroup = 517,
    IdReaderCheck = 515,
    IdReaderSecondLine = 516,
    IdReaderNote = 518,
    IdReaderError = 4128
};

const char* const ReaderInstaller = "..\\acrobat\\rs405eng.exe";

void OnInitDialog(HWND page)
{
    OFSTRUCT info;
    // OF_EXIST opens and closes the file again; the value returned is no
    // handle that could be closed.
    if (OpenFile(ReaderInstaller, &info, OF_EXIST | OF_SHARE_DENY_WRITE) == HFILE_ERROR) {
        const int hidden[] = {IdReaderGroup, IdReaderCheck, IdReaderSecondLine, IdReaderNote};
        for (int id : hidden)
            ShowWindow(GetDlgItem(page, id), SW_HIDE);
    }
    SetExitCaption("Finish");
}

} // namespace

INT_PTR CALLBACK CompletionPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IdReaderCheck)
            LaunchReaderAtExit = !LaunchReaderAtExit;
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}

void LaunchReaderInstaller()
{
    if (WinExec(ReaderInstaller, SW_SHOW) < 32) {
        char format[256];
        char text[512];
        if (!LoadStringA(AppInstance, IdReaderError, format, sizeof format))
            format[0] = '\0';
        std::snprintf(text, sizeof text, format, ReaderInstaller);
        MessageBoxA(nullptr, text, "Error", MB_OK | MB_TASKMODAL);
    }
    PostQuitMessage(0);
}

void OpenGettingStarted()
{
    char document[MAX_PATH + 2];
    if (!BuildGuideCommand(document, sizeof document, GetDestinationDir()))
        return;
    ShellExecuteA(nullptr, "open", document, nullptr, nullptr, SW_SHOWNORMAL);
}
