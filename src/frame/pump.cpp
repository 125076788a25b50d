// Keeping the window alive while work runs on the one thread: the queue is
// drained between steps, and a stop request is turned into the question.
#include "frame/frame.h"

int PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, MainWindow, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(MainWindow, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    int stop = StopRequested;
    StopRequested = 0;
    return stop;
}

bool ConfirmAbort(HWND ownerWindow)
{
    if (!PumpMessages())
        return false;
    return MessageBoxA(ownerWindow, "Do you want to stop the installation?", "Install",
                       MB_YESNO | MB_ICONQUESTION) == IDYES;
}

bool WaitWithWindowAlive(HANDLE object, DWORD limitMs)
{
    bool stopped = false;
    Busy = 1;
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    DWORD start = GetTickCount();
    for (;;) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= limitMs)
            break;
        DWORD woke = MsgWaitForMultipleObjects(1, &object, FALSE, limitMs - elapsed, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1)
            break;  // ended, timed out, or failed: waiting longer would not help
        if (PumpMessages()) {
            stopped = true;
            break;
        }
    }
    Busy = 0;
    SetCursor(LoadCursorA(nullptr, IDC_ARROW));
    if (stopped)
        StopRequested = 1;  // the main loop ends the program, as Exit does
    return !stopped;
}
