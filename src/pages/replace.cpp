// The replace page: may the older installation in the chosen directory go?
#include <windows.h>

#include "frame/frame.h"
#include "frame/wizard.h"
#include "pages/pages.h"

int ReplaceOldInstallation = 1;

namespace {

void OnInitDialog(HWND page)
{
    int checked = ReplaceOldInstallation ? IDC_REPLACE : IDC_KEEP;
    CheckRadioButton(page, IDC_REPLACE, IDC_KEEP, checked);
    SendMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(page, checked)), TRUE);
    PostMessageA(page, WM_COMMAND, IDC_REPLACE_BUTTONS, 0);
}

void OnCommand(HWND page, int id)
{
    if (id == IDC_REPLACE || id == IDC_KEEP)
        ReplaceOldInstallation = IsDlgButtonChecked(page, IDC_REPLACE) == BST_CHECKED ? 1 : 0;
    SetNavButtons(true, ReplaceOldInstallation != 0, true);
}

} // namespace

INT_PTR CALLBACK ReplacePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        break;
    case WM_COMMAND:
        OnCommand(window, LOWORD(wParam));
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}
