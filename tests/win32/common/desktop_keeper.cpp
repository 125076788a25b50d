// Keeps the session's desktop for as long as it runs. Wine closes its
// desktop process a second after the last program on the desktop ends; a
// test that starts while the old desktop is closing gets an X error at its
// first window, and a test that looks for the desktop process finds none.
// One window of its own (message-only, never seen) makes this a program on
// the desktop; it waits until it is ended with the session.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "KovaDesktopKeeper";
    if (!RegisterClassA(&windowClass) ||
        !CreateWindowA(windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr))
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
