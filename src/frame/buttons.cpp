// The three buttons of the main window: which are live, which is the
// default, where the focus goes, and the Exit button's caption.
#include "frame/frame.h"

void FocusExitButton()
{
    SetFocus(GetDlgItem(MainWindow, IdExit));
}

void SetExitCaption(const char* text)
{
    SetDlgItemTextA(MainWindow, IdExit, text);
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
    bool focusOnButton = focus && (focus == GetDlgItem(MainWindow, IdBack) || focus == GetDlgItem(MainWindow, IdNext) ||
                                   focus == GetDlgItem(MainWindow, IdExit));
    if (backEnabled)
        EnableWindow(GetDlgItem(MainWindow, IdBack), TRUE);
    if (nextEnabled)
        EnableWindow(GetDlgItem(MainWindow, IdNext), TRUE);
    if (exitEnabled)
        EnableWindow(GetDlgItem(MainWindow, IdExit), TRUE);

    if (!nextEnabled) {
        int other = backEnabled ? IdBack : IdExit;
        RetireButton(IdNext, other, other, focusOnButton);
    }
    if (!backEnabled) {
        int other = nextEnabled ? IdNext : IdExit;
        RetireButton(IdBack, other, other, focusOnButton);
    }
    if (!exitEnabled) {
        int other = nextEnabled ? IdNext : IdBack;
        RetireButton(IdExit, other, other, focusOnButton);
    }
    if (nextEnabled)
        SendMessageA(MainWindow, DM_SETDEFID, IdNext, 0);
}
