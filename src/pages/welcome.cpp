// The welcome page: what is installed, and the product identity.
#include <windows.h>

#include "frame/frame.h"
#include "frame/wizard.h"

namespace {

enum { IdProductIdentity = 116 };

} // namespace

INT_PTR CALLBACK WelcomePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(window, IdProductIdentity, "XBRT 550 713/2 R17B");
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}
