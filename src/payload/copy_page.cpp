// The copy page (COPYFILESDLG): runs the copy engine once it has been shown
// and paints the progress bar, a static control it takes over.
#include <windows.h>
#include <cstdlib>

#include "frame/chrome.h"
#include "frame/frame.h"
#include "frame/host.h"
#include "frame/wizard.h"
#include "payload/copy_engine.h"

CopyEngine* CurrentCopyEngine = nullptr;
void (*CopyStepObserver)(bool armed) = nullptr;

namespace {

WNDPROC ProgressBarOldProc = nullptr;
HWND ProgressBar = nullptr;
// The bar PaintProgress last filled, and the right edge it drew.
HWND LastFillBar = nullptr;
LONG LastFillRight = 0;

void OnStart(HWND page)
{
    CopyEngine* engine = CurrentCopyEngine;
    UpdateWindow(page);
    if (CopyStepObserver)
        CopyStepObserver(false);
    if (engine != nullptr && PrepareTargets(engine) && CopyAllFiles(engine)) {
        SetTimer(page, CopyPauseTimer, 500, nullptr);
        if (CopyStepObserver)
            CopyStepObserver(true);
        return;
    }
    // ShowErrorPage destroys this page and the engine with it; it copies
    // the argument first.
    int code = engine ? engine->ErrorCode : ErrAborted;
    const char* argument = engine ? engine->ErrorArg : nullptr;
    ShowErrorPage(code, argument);
}

void PaintFrame(HWND window, HDC dc)
{
    RECT r;
    GetClientRect(window, &r);
    HPEN shadow = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNSHADOW));
    HPEN highlight = CreatePen(PS_SOLID, 0, GetSysColor(COLOR_BTNHIGHLIGHT));
    // Inner dark edge with the context's own pen, outer edge in shadow.
    MoveToEx(dc, r.left + 1, r.bottom, nullptr);
    LineTo(dc, r.left + 1, r.top + 1);
    LineTo(dc, r.right, r.top + 1);
    HGDIOBJ original = SelectObject(dc, shadow);
    MoveToEx(dc, r.left, r.bottom, nullptr);
    LineTo(dc, r.left, r.top);
    LineTo(dc, r.right + 1, r.top);
    // The light edge sits on the last column and row, where it can be seen;
    // the fill, drawn afterwards, covers it as it reaches the end.
    SelectObject(dc, highlight);
    MoveToEx(dc, r.right - 1, r.top + 1, nullptr);
    LineTo(dc, r.right - 1, r.bottom - 1);
    LineTo(dc, r.left, r.bottom - 1);
    SelectObject(dc, original);
    DeleteObject(shadow);
    DeleteObject(highlight);
}

// The done part of the bar from the engine's counters; false when nothing
// is to be drawn.
bool ProgressFillRect(HWND control, RECT* fill)
{
    CopyEngine* engine = CurrentCopyEngine;
    if (engine == nullptr || engine->BytesTotal == 0)
        return false;
    RECT r;
    GetClientRect(control, &r);
    // The width times the byte count overflows 32 bits with a large payload:
    // MulDiv works in 64 bits, and rounds, where the bar shows only whole
    // pixels done. (A payload carried in a program's resources stays below
    // 2 GB.) BytesDone can run past BytesTotal for a moment while a file
    // whose compressed form is the larger one is written; the bar stops at
    // its end.
    LONG total = LONG(engine->BytesTotal);
    LONG done = engine->BytesDone > engine->BytesTotal ? total : LONG(engine->BytesDone);
    LONG width = r.right - (r.left + 2);
    LONG filled = MulDiv(width, done, total);
    if (int64_t(filled) * total > int64_t(width) * done)
        filled -= 1;
    *fill = r;
    fill->left = r.left + 2;
    fill->top = r.top + 2;
    fill->right = fill->left + filled;
    return true;
}

// The page's file and step labels, looked up once per page: under Wine
// every GetDlgItem asks the server for the page's children.
struct StatusLabels {
    HWND Page;
    HWND File;
    HWND Step;
    HWND Disk;
};
StatusLabels Labels = {};

bool IsLabelOf(HWND control, HWND page, int id)
{
    return control != nullptr && IsWindow(control) && GetParent(control) == page && GetDlgCtrlID(control) == id;
}

}  // namespace

void ShowCopyStatus(int line, const char* text)
{
    HWND page = CurrentPage;
    if (Labels.Page != page)
        Labels = StatusLabels{page, nullptr, nullptr, nullptr};
    const int id = line == StatusStep ? IDC_STEP_LABEL : line == StatusDisk ? IDC_CURRENT_DISK : IDC_CURRENT_FILE;
    HWND* slot = line == StatusStep ? &Labels.Step : line == StatusDisk ? &Labels.Disk : &Labels.File;
    if (!IsLabelOf(*slot, page, id))
        *slot = GetDlgItem(page, id);
    if (*slot != nullptr)
        SendMessageA(*slot, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

void DrawProgressFill(HWND control, HDC dc)
{
    RECT fill;
    if (!ProgressFillRect(control, &fill))
        return;
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &fill, blue);
    DeleteObject(blue);
}

void PaintProgress()
{
    CopyEngine* engine = CurrentCopyEngine;
    if (engine == nullptr)
        return;
    // The bar taken over, unless another page is shown; under Wine every
    // GetDlgItem asks the server for the page's children.
    HWND bar = ProgressBar;
    if (bar == nullptr || !IsWindow(bar) || GetParent(bar) != CurrentPage)
        bar = GetDlgItem(CurrentPage, IDC_PROGRESS_BAR);
    RECT fill;
    if (bar == nullptr || !ProgressFillRect(bar, &fill))
        return;
    // The fill is never erased but by the bar's own erase and paint, which
    // draw it anew: the same rectangle again would change no pixel (many
    // steps move the edge by less than a pixel), and under Wine every draw
    // costs a flush of the window to the X server.
    if (bar == LastFillBar && fill.right == LastFillRight)
        return;
    HDC dc = GetDC(bar);
    DrawProgressFill(bar, dc);
    ReleaseDC(bar, dc);
    LastFillBar = bar;
    LastFillRight = fill.right;
}

LRESULT CALLBACK ProgressBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        LastFillBar = nullptr;
        HDC dc = BeginPaint(window, &ps);
        PaintFrame(window, dc);
        DrawProgressFill(window, dc);
        EndPaint(window, &ps);
        break;
    }
    case WM_ERASEBKGND:
        LastFillBar = nullptr;
        break;
    default:
        break;
    }
    return CallWindowProcA(ProgressBarOldProc, window, message, wParam, lParam);
}

void SubclassProgressBar(HWND page)
{
    HWND bar = GetDlgItem(page, IDC_PROGRESS_BAR);
    if (bar == nullptr)
        return;
    ProgressBar = bar;
    ProgressBarOldProc = SubclassControl(bar, ProgressBarProc);
}

INT_PTR CALLBACK CopyPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetExitCaption("Abort");
        SubclassProgressBar(window);
        CurrentCopyEngine = CreateCopyEngine(CurrentSession());
        PostMessageA(window, WM_COMMAND, IDC_COPY_START, 0);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_COPY_START) {
            OnStart(window);
            return 1;
        }
        break;
    case WM_TIMER:
        if (wParam == CopyPauseTimer) {
            KillTimer(window, CopyPauseTimer);
            GoNextPage();
            return 1;
        }
        break;
    case WM_DESTROY:
        if (CurrentCopyEngine != nullptr) {
            DestroyCopyEngine(CurrentCopyEngine);
            FreeCopyEngine(CurrentCopyEngine);
            CurrentCopyEngine = nullptr;
        }
        break;
    default:
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}
