// The icon page (NEWICONDLG): runs the program group's DDE client on its
// own window and moves on, or to the error page, when the client is done.
#include "frame/frame.h"
#include "frame/host.h"
#include "frame/wizard.h"
#include "register/dde_client.h"

namespace {

void OnIconInit(HWND page)
{
    SetExitCaption("Abort");
    DeleteDdeClient(CurrentDdeClient);
    CurrentDdeClient = CreateDdeClient(page, CurrentSession());
    // Without a client (no memory) the start command reports the failure.
    bool work = !CurrentDdeClient || HasIconWork(CurrentDdeClient);
    PostMessageA(page, WM_COMMAND, work ? IDC_ICONS_START : IDC_ICONS_NOTHING, 0);
}

void OnIconStart(HWND page)
{
    UpdateWindow(page);
    if (!CurrentDdeClient)
        IconStepEnded(ErrProgramGroup);
    else
        BeginGroupStep(CurrentDdeClient);
}

} // namespace

// The program group was made: a pause for the eye, then the next page. Or
// it could not be made, but the files and the registry entries are in
// place: the finishing step runs as it would have on the way to the last
// page (an earlier uninstaller's boot-time deletes of the new uninstaller
// go, the user gets the configuration), and then the error page says what
// failed.
void IconStepEnded(int errorCode)
{
    if (errorCode == 0) {
        SetTimer(CurrentPage, FinishTimer, FinishDelayMs, nullptr);
        SetForegroundWindow(MainWindow);
        return;
    }
    FinishInstallationOnce(0);
    ShowErrorPage(errorCode, nullptr);
}

INT_PTR CALLBACK IconPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (CurrentDdeClient && CurrentDdeClient->Page == window &&
        HandleConversationMessage(CurrentDdeClient, message, wParam, lParam))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        OnIconInit(window);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_ICONS_START) {
            OnIconStart(window);
            return TRUE;
        }
        if (LOWORD(wParam) == IDC_ICONS_NOTHING) {
            GoNextPage();
            return TRUE;
        }
        break;
    case WM_TIMER:
        if (wParam == FinishTimer) {
            KillTimer(window, FinishTimer);
            GoNextPage();
            return TRUE;
        }
        break;
    case WM_DESTROY:
        if (CurrentDdeClient && CurrentDdeClient->Page == window)
            DeleteDdeClient(CurrentDdeClient);
        break;
    default:
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}
