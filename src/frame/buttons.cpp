// The three buttons of the main window: which are live, which is the
// default, where the focus goes, and the Exit button's caption.
#include "frame/frame.h"

void FocusExitButton()
{
    SetFocus(GetDlgItem(MainWindow, IDC_EXIT));
}

void SetExitCaption(const char* text)
{
    SetDlgItemTextA(MainWindow, IDC_EXIT, text);
}

namespace {

// Takes a button out of service: plain style, another default button and,
// if the focus sat on one of the three buttons, the focus elsewhere.
void RetireButton(int id, int defaultId, int focusId, bool focusOnButton)
{
    HWND button = GetDlgItem(MainWindow, id);
    SendMessageA(button, BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    SendMessageA(MainWindow, DM_SETDEFID, defaultId, 0);
    if (focusOnButton)
        SendMessageA(MainWindow, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(MainWindow, focusId)), TRUE);
    EnableWindow(button, FALSE);
}

} // namespace

void SetNavButtons(bool backEnabled, bool nextEnabled, bool exitEnabled)
{
    HWND focus = GetFocus();
    bool focusOnButton = focus && (focus == GetDlgItem(MainWindow, IDC_BACK) || focus == GetDlgItem(MainWindow, IDC_NEXT) ||
                                   focus == GetDlgItem(MainWindow, IDC_EXIT));
    if (backEnabled)
        EnableWindow(GetDlgItem(MainWindow, IDC_BACK), TRUE);
    if (nextEnabled)
        EnableWindow(GetDlgItem(MainWindow, IDC_NEXT), TRUE);
    if (exitEnabled)
        EnableWindow(GetDlgItem(MainWindow, IDC_EXIT), TRUE);

    if (!nextEnabled) {
        int other = backEnabled ? IDC_BACK : IDC_EXIT;
        RetireButton(IDC_NEXT, other, other, focusOnButton);
    }
    if (!backEnabled) {
        int other = nextEnabled ? IDC_NEXT : IDC_EXIT;
        RetireButton(IDC_BACK, other, other, focusOnButton);
    }
    if (!exitEnabled) {
        int other = nextEnabled ? IDC_NEXT : IDC_BACK;
        RetireButton(IDC_EXIT, other, other, focusOnButton);
    }
    if (nextEnabled)
        SendMessageA(MainWindow, DM_SETDEFID, IDC_NEXT, 0);
}
