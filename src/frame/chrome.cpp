// The look of the main window: its place on the screen, the bold page
// titles, the framed picture panel and the etched separator line.
#include <windows.h>

#include "frame/chrome.h"
#include "frame/frame.h"
#include "frame/wizard.h"

namespace {

const COLORREF PanelBackground = RGB(0, 160, 192);

WNDPROC PanelOriginalProc;
WNDPROC SeparatorOriginalProc;
// The bold copy CreateTitleFont made, if it made one: TitleFont may also be
// the window's own font, which is not this program's to delete.
HFONT BoldCopy;

// Halving that rounds towards minus infinity, as an arithmetic shift does,
// so that a window larger than the screen lands one pixel further out.
int HalfDown(int value)
{
    return value >= 0 ? value / 2 : -((1 - value) / 2);
}

void DrawLine(HDC dc, int x0, int y0, int x1, int y1)
{
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

void DrawPicture(HDC dc, const RECT& client)
{
    HBITMAP picture = LoadBitmapA(AppInstance, MAKEINTRESOURCEA(IDB_PANEL));
    if (!picture)
        return;
    HDC memory = CreateCompatibleDC(dc);
    BITMAP info;
    if (memory && GetObjectA(picture, sizeof info, &info) == sizeof info) {
        int x = HalfDown(client.right - info.bmWidth - (client.left + 2));
        int y = HalfDown(client.bottom - info.bmHeight - (client.top + 2));
        HGDIOBJ previous = SelectObject(memory, picture);
        BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
    }
    if (memory)
        DeleteDC(memory);
    DeleteObject(picture);
}

void PaintPanel(HWND panel)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(panel, &paint);
    RECT c;
    GetClientRect(panel, &c);
    HPEN black = CreatePen(PS_SOLID, 1, RGB(0, 0, 0));
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));

    HGDIOBJ previous = SelectObject(dc, shadow);
    MoveToEx(dc, c.left, c.bottom, nullptr);
    LineTo(dc, c.left, c.top);
    LineTo(dc, c.right, c.top);
    SelectObject(dc, black);
    MoveToEx(dc, c.left + 1, c.bottom, nullptr);
    LineTo(dc, c.left + 1, c.top + 1);
    LineTo(dc, c.right, c.top + 1);
    SelectObject(dc, white);
    LineTo(dc, c.right, c.bottom);
    LineTo(dc, c.left + 1, c.bottom);
    SelectObject(dc, previous);

    HBRUSH background = CreateSolidBrush(PanelBackground);
    RECT inner = {c.left + 2, c.top + 2, c.right, c.bottom};
    FillRect(dc, &inner, background);
    DrawPicture(dc, c);

    DeleteObject(background);
    DeleteObject(black);
    DeleteObject(shadow);
    DeleteObject(white);
    EndPaint(panel, &paint);
}

void PaintSeparator(HWND separator)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(separator, &paint);
    RECT c;
    GetClientRect(separator, &c);
    HPEN shadow = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNSHADOW));
    HPEN highlight = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNHIGHLIGHT));
    HGDIOBJ previous = SelectObject(dc, shadow);
    DrawLine(dc, c.left, c.top, c.right, c.top);
    SelectObject(dc, highlight);
    DrawLine(dc, c.left, c.top + 1, c.right, c.top + 1);
    SelectObject(dc, previous);
    DeleteObject(shadow);
    DeleteObject(highlight);
    EndPaint(separator, &paint);
}

WNDPROC Subclass(int id, WNDPROC procedure)
{
    return SubclassControl(GetDlgItem(MainWindow, id), procedure);
}

} // namespace

WNDPROC SubclassControl(HWND control, WNDPROC procedure)
{
    return reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure)));
}

void CenterOnScreen(HWND window)
{
    RECT r;
    if (!GetWindowRect(window, &r))
        return;
    int x = HalfDown(GetSystemMetrics(SM_CXSCREEN) + r.left - r.right);
    int y = HalfDown(GetSystemMetrics(SM_CYSCREEN) + r.top - r.bottom);
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CreateTitleFont(HWND window)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(window, WM_GETFONT, 0, 0));
    TitleFont = font;
    LOGFONTA description;
    if (!font || GetObjectA(font, sizeof description, &description) != sizeof description)
        return;
    description.lfWeight = FW_BOLD;
    HFONT bold = CreateFontIndirectA(&description);
    if (bold)
        TitleFont = BoldCopy = bold;
}

void DeleteTitleFont()
{
    if (BoldCopy)
        DeleteObject(BoldCopy);
    BoldCopy = nullptr;
    TitleFont = nullptr;
}

LRESULT CALLBACK PanelProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintPanel(window);
        break;
    }
    return CallWindowProcA(PanelOriginalProc, window, message, wParam, lParam);
}

LRESULT CALLBACK SeparatorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        PaintSeparator(window);
        break;
    }
    return CallWindowProcA(SeparatorOriginalProc, window, message, wParam, lParam);
}

void SubclassChrome()
{
    PanelOriginalProc = Subclass(IDC_PANEL, PanelProc);
    SeparatorOriginalProc = Subclass(IDC_SEPARATOR, SeparatorProc);
}
