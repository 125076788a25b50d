// The registry page (REGISTRYDLG): runs the registry writer once it has
// been shown, then moves on after a pause, or to the error page.
#include <cstdlib>

#include "frame/frame.h"
#include "frame/host.h"
#include "frame/wizard.h"
#include "register/registry.h"

RegistryWriter* CurrentRegistryWriter = nullptr;

namespace {

void OnRegistryInit(HWND page)
{
    SetExitCaption("Abort");
    std::free(CurrentRegistryWriter);
    CurrentRegistryWriter = static_cast<RegistryWriter*>(std::calloc(1, sizeof(RegistryWriter)));
    if (CurrentRegistryWriter) {
        CurrentRegistryWriter->Session = CurrentSession();
        CurrentRegistryWriter->Install = &Descriptor;
    }
    PostMessageA(page, WM_COMMAND, IDC_REGISTRY_START, 0);
}

void OnRegistryStart(HWND page)
{
    RegistryWriter* writer = CurrentRegistryWriter;
    UpdateWindow(page);
    if (!writer)
        ShowErrorPage(ErrRegistry, nullptr);
    else if (WriteRegistry(writer))
        SetTimer(page, RegistryDoneTimer, RegistryDoneDelayMs, nullptr);
    else
        ShowErrorPage(writer->ErrorCode, writer->ErrorArg); // destroys the page and the writer
}

} // namespace

INT_PTR CALLBACK RegistryPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnRegistryInit(window);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_REGISTRY_START) {
            OnRegistryStart(window);
            return TRUE;
        }
        break;
    case WM_TIMER:
        if (wParam == RegistryDoneTimer) {
            KillTimer(window, RegistryDoneTimer);
            GoNextPage();
            return TRUE;
        }
        break;
    case WM_DESTROY:
        if (CurrentRegistryWriter) {
            std::free(CurrentRegistryWriter);
            CurrentRegistryWriter = nullptr;
        }
        break;
    default:
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}
