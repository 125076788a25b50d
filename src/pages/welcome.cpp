// The welcome page: what is installed, and the product identity.
#include <windows.h>

#include "frame/frame.h"
#include "frame/product_tables.h"
#include "frame/wizard.h"

namespace {

enum { IdProductIdentity = 116 };

} // namespace

INT_PTR CALLBACK WelcomePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(window, IdProductIdentity, ProductIdentity);
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}
