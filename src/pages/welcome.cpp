// The welcome page: what is installed, and the product identity.
#include <windows.h>

#include "core/product_tables.h"
#include "frame/frame.h"
#include "frame/wizard.h"

INT_PTR CALLBACK WelcomePageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(window, IDC_PRODUCT_IDENTITY, ProductIdentity);
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}
