// The look of the main window: its place on the screen, the bold page
// titles, the framed picture panel and the etched separator line, at the
// display's scale and in the system's colours when high contrast is on.
#include <windows.h>

#include "core/panel_picture.h"
#include "core/scale.h"
#include "frame/chrome.h"
#include "frame/frame.h"
#include "frame/system_function.h"
#include "frame/wizard.h"

namespace {

const COLORREF PanelBackground = RGB(0, 160, 192);

WNDPROC PanelOriginalProc;
WNDPROC SeparatorOriginalProc;
// The bold copy CreateTitleFont made, if it made one: TitleFont may also be
// the window's own font, which is not this program's to delete.
HFONT BoldCopy;
// The window's icons as SetWindowIcons loaded them (small, large), to be
// destroyed when they are replaced; null for the system's shared copies.
HICON OwnIcons[2];

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

// The drawing of the picture nearest the dialog's scale, copied as it is
// where it was drawn for that scale and smoothly scaled elsewhere.
void DrawPicture(HWND panel, HDC dc, const RECT& client)
{
    RECT unit = {0, 0, 0, 8};
    MapDialogRect(GetParent(panel), &unit);
    PanelPicture wanted = PanelPictureAt(int(unit.bottom));
    int height;
    int width = PanelPictureSize(wanted.Scale, &height);
    uint32_t* pixels = static_cast<uint32_t*>(HeapAlloc(GetProcessHeap(), 0, size_t(width) * height * 4));
    HDC memory = pixels ? CreateCompatibleDC(dc) : nullptr;
    HBITMAP picture = memory ? CreateCompatibleBitmap(dc, width, height) : nullptr;
    if (picture) {
        DrawPanelPicture(wanted.Scale, pixels);
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = width;
        format.bmiHeader.biHeight = -height;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        SetDIBits(dc, picture, 0, UINT(height), pixels, &format, DIB_RGB_COLORS);
        int x = HalfDown(client.right - wanted.Width - (client.left + 2));
        int y = HalfDown(client.bottom - wanted.Height - (client.top + 2));
        HGDIOBJ previous = SelectObject(memory, picture);
        if (width == wanted.Width && height == wanted.Height) {
            BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
        } else {
            int mode = SetStretchBltMode(dc, HALFTONE);
            POINT origin;
            SetBrushOrgEx(dc, 0, 0, &origin);
            StretchBlt(dc, x, y, wanted.Width, wanted.Height, memory, 0, 0, width, height, SRCCOPY);
            SetBrushOrgEx(dc, origin.x, origin.y, nullptr);
            SetStretchBltMode(dc, mode);
        }
        SelectObject(memory, previous);
        DeleteObject(picture);
    }
    if (memory)
        DeleteDC(memory);
    if (pixels)
        HeapFree(GetProcessHeap(), 0, pixels);
}

void PaintPanel(HWND panel)
{
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(panel, &paint);
    RECT c;
    GetClientRect(panel, &c);
    HPEN black = CreatePen(PS_SOLID, 1, ChromeColour(RGB(0, 0, 0), COLOR_WINDOWFRAME));
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN white = CreatePen(PS_SOLID, 1, ChromeColour(RGB(255, 255, 255), COLOR_BTNHIGHLIGHT));

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

    HBRUSH background = CreateSolidBrush(ChromeColour(PanelBackground, COLOR_BTNFACE));
    RECT inner = {c.left + 2, c.top + 2, c.right, c.bottom};
    FillRect(dc, &inner, background);
    DrawPicture(panel, dc, c);

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

UINT WindowDpi(HWND window)
{
    // Systems that scale each monitor on its own tell a window's scale;
    // older ones have one for the whole system.
    auto dpiForWindow = SystemFunction<UINT(WINAPI*)(HWND)>("user32", "GetDpiForWindow");
    UINT dpi = dpiForWindow ? dpiForWindow(window) : 0;
    if (dpi == 0) {
        HDC dc = GetDC(window);
        dpi = UINT(GetDeviceCaps(dc, LOGPIXELSY));
        ReleaseDC(window, dc);
    }
    return dpi ? dpi : 96;
}

void ReadHighContrast()
{
    HIGHCONTRASTA setting = {};
    setting.cbSize = sizeof setting;
    HighContrast = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof setting, &setting, 0) &&
                   (setting.dwFlags & HCF_HIGHCONTRASTON) ? 1 : 0;
}

COLORREF ChromeColour(COLORREF own, int systemColour)
{
    return HighContrast ? GetSysColor(systemColour) : own;
}

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

void RenewTitleFont(HWND window)
{
    HFONT old = BoldCopy;
    BoldCopy = nullptr;
    CreateTitleFont(window);
    if (CurrentPage)
        SendDlgItemMessageA(CurrentPage, IDC_PAGE_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(TitleFont), TRUE);
    if (old)
        DeleteObject(old);
}

void FitCheckBoxes(HWND dialog)
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char className[8] = "";
        GetClassNameA(child, className, sizeof className);
        LONG type = GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK;
        if (lstrcmpiA(className, "Button") != 0 ||
            (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX && type != BS_RADIOBUTTON && type != BS_AUTORADIOBUTTON))
            continue;
        // The box is 13 pixels at 96 dots per inch and grows with the display.
        int box = MulDiv(13, int(WindowDpi(child)), 96);
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        if (r.bottom - r.top < box)
            SetWindowPos(child, nullptr, r.left, r.bottom - box, r.right - r.left, box, SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void SetWindowIcons(HWND window)
{
    auto metricForDpi = SystemFunction<int(WINAPI*)(int, UINT)>("user32", "GetSystemMetricsForDpi");
    const UINT dpi = WindowDpi(window);
    const struct {
        WPARAM Kind;
        int Id;
        int Metric;
    } icons[] = {{ICON_SMALL, IDI_SETUP_SMALL, SM_CXSMICON}, {ICON_BIG, IDI_SETUP, SM_CXICON}};
    for (int i = 0; i < 2; i++) {
        int size = metricForDpi ? metricForDpi(icons[i].Metric, dpi) : GetSystemMetrics(icons[i].Metric);
        HICON own = static_cast<HICON>(
            LoadImageA(AppInstance, MAKEINTRESOURCEA(icons[i].Id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
        // A system that reads no PNG icon has none of the larger sizes.
        HICON icon = own ? own : LoadIconA(AppInstance, MAKEINTRESOURCEA(icons[i].Id));
        SendMessageA(window, WM_SETICON, icons[i].Kind, reinterpret_cast<LPARAM>(icon));
        if (OwnIcons[i])
            DestroyIcon(OwnIcons[i]);
        OwnIcons[i] = own;
    }
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
