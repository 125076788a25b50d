// Drives a running setup.exe for screenshots: finds its main window and
// clicks a control, sets a control's text, or waits for a control to exist.
// Usage: pages_poke click ID | text ID TEXT | wait ID [SECONDS]
//        | waitfor ID TEXT [SECONDS] | rect ID (prints WxH+X+Y of the main window)
// An ID is a control's name in frame/resource_ids.h (IDC_NEXT, ...).
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "frame/resource_ids.h"

namespace {

#define NAMED_ID(name) {#name, name}
const struct {
    const char* Name;
    int Id;
} Controls[] = {
    NAMED_ID(IDC_EXIT), NAMED_ID(IDC_NEXT), NAMED_ID(IDC_BACK), NAMED_ID(IDC_PAGE_TITLE),
    NAMED_ID(IDC_PRODUCT_IDENTITY), NAMED_ID(IDC_DIRECTORY), NAMED_ID(IDC_REPLACE), NAMED_ID(IDC_KEEP),
    NAMED_ID(IDC_READER_CHECK),
};
#undef NAMED_ID

// The id of a control's name; 0 (no control) for a name not listed.
int ControlId(const char* name)
{
    for (const auto& control : Controls) {
        if (std::strcmp(control.Name, name) == 0)
            return control.Id;
    }
    return 0;
}

struct Search {
    int id;
    HWND found;
};

BOOL CALLBACK VisitChild(HWND window, LPARAM lParam)
{
    Search* search = reinterpret_cast<Search*>(lParam);
    if (GetDlgCtrlID(window) == search->id && IsWindowVisible(window)) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK VisitTop(HWND window, LPARAM lParam)
{
    Search* search = reinterpret_cast<Search*>(lParam);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    if (std::strcmp(title, "Install") != 0 || !GetDlgItem(window, IDC_NEXT))
        return TRUE;
    EnumChildWindows(window, VisitChild, lParam);
    return search->found ? FALSE : TRUE;
}

HWND FindControl(int id)
{
    Search search = {id, nullptr};
    EnumWindows(VisitTop, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    if (std::strcmp(argv[1], "rect") == 0) {
        HWND control = FindControl(ControlId(argv[2]));
        RECT r;
        if (!control || !GetWindowRect(GetAncestor(control, GA_ROOT), &r))
            return 1;
        std::printf("%ldx%ld+%ld+%ld\n", r.right - r.left, r.bottom - r.top, r.left, r.top);
        return 0;
    }
    int id = ControlId(argv[2]);
    if (std::strcmp(argv[1], "waitfor") == 0 && argc > 3) {
        int seconds = argc > 4 ? std::atoi(argv[4]) : 60;
        for (int i = 0; i < seconds * 10; i++) {
            char text[256] = "";
            HWND control = FindControl(id);
            if (control && GetWindowTextA(control, text, sizeof text) && std::strcmp(text, argv[3]) == 0)
                return 0;
            Sleep(100);
        }
        return 1;
    }
    if (std::strcmp(argv[1], "wait") == 0) {
        int seconds = argc > 3 ? std::atoi(argv[3]) : 30;
        for (int i = 0; i < seconds * 10; i++) {
            if (FindControl(id))
                return 0;
            Sleep(100);
        }
        return 1;
    }
    HWND control = FindControl(id);
    if (!control)
        return 1;
    if (std::strcmp(argv[1], "click") == 0)
        PostMessageA(control, BM_CLICK, 0, 0);
    else if (std::strcmp(argv[1], "text") == 0 && argc > 3)
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3]));
    else
        return 2;
    return 0;
}
