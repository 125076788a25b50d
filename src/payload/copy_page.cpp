// The copy page (COPYFILESDLG): runs the copy engine once it has been shown
// and paints the progress bar, a static control it takes over. Assistive
// technology hears the bar as a progress bar with its value, and the name of
// each file as it is copied.
#include <windows.h>
#include <oleacc.h>
#include <cstdlib>

#include "frame/chrome.h"
#include "frame/frame.h"
#include "frame/host.h"
#include "frame/system_libraries.h"
#include "frame/wizard.h"
#include "payload/copy_engine.h"
#include "payload/progress_accessible.h"

CopyEngine* CurrentCopyEngine = nullptr;
void (*CopyStepObserver)(bool armed) = nullptr;

namespace {

WNDPROC ProgressBarOldProc = nullptr;
HWND ProgressBar = nullptr;
// The bar PaintProgress last filled, and the right edge it drew.
HWND LastFillBar = nullptr;
LONG LastFillRight = 0;
// The value the bar last reported to assistive technology, -1: none yet.
int LastPercent = -1;

// Whether COM was started for the page, and the system's store of
// accessibility properties, which says that the file name is to be read out
// when it changes (a "live region"); null on systems without it.
bool ComStarted = false;
IAccPropServices* PropertyStore = nullptr;
// UI Automation's LiveSetting property, and its value Polite: read out when
// the reader is idle.
const GUID LiveSettingProperty = {0xc12bcd8e, 0x2a8e, 0x4950, {0x8a, 0xe7, 0x36, 0x25, 0x11, 0x1d, 0x58, 0xeb}};
const LONG LivePolite = 1;

int ProgressPercent()
{
    CopyEngine* engine = CurrentCopyEngine;
    if (engine == nullptr || engine->BytesTotal == 0)
        return 0;
    if (engine->BytesDone >= engine->BytesTotal)
        return 100;
    // In double the product is exact and the quotient's rounding never
    // reaches the next whole percent (the divisor is below 2^32), without
    // the run-time library's 64-bit division.
    return int(double(engine->BytesDone) * 100 / engine->BytesTotal);
}

void MarkFileNameLive(HWND page)
{
    ComStarted = SUCCEEDED(SystemLibraries::ComInitialize(COINIT_APARTMENTTHREADED));
    if (!ComStarted)
        return;
    if (FAILED(SystemLibraries::ComCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                                  IID_IAccPropServices, reinterpret_cast<void**>(&PropertyStore))))
        return;
    VARIANT polite;
    polite.vt = VT_I4;
    polite.lVal = LivePolite;
    PropertyStore->SetHwndProp(GetDlgItem(page, IDC_CURRENT_FILE), OBJID_CLIENT, CHILDID_SELF, LiveSettingProperty,
                               polite);
}

void ForgetFileNameLive(HWND page)
{
    if (PropertyStore) {
        MSAAPROPID property = LiveSettingProperty;
        PropertyStore->ClearHwndProps(GetDlgItem(page, IDC_CURRENT_FILE), OBJID_CLIENT, CHILDID_SELF, &property, 1);
        PropertyStore->Release();
        PropertyStore = nullptr;
    }
    if (ComStarted)
        SystemLibraries::ComUninitialize();
    ComStarted = false;
}

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
    // In high contrast the dark edge is the system's frame colour.
    HPEN frame = HighContrast ? CreatePen(PS_SOLID, 0, GetSysColor(COLOR_WINDOWFRAME)) : nullptr;
    HGDIOBJ original = frame ? SelectObject(dc, frame) : nullptr;
    // Inner dark edge with the context's own pen, outer edge in shadow.
    MoveToEx(dc, r.left + 1, r.bottom, nullptr);
    LineTo(dc, r.left + 1, r.top + 1);
    LineTo(dc, r.right, r.top + 1);
    HGDIOBJ before = SelectObject(dc, shadow);
    if (!frame)
        original = before;
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
    if (frame)
        DeleteObject(frame);
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
    if (*slot == nullptr)
        return;
    SendMessageA(*slot, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    if (line == StatusFile)
        NotifyWinEvent(EVENT_OBJECT_LIVEREGIONCHANGED, *slot, OBJID_CLIENT, CHILDID_SELF);
}

void DrawProgressFill(HWND control, HDC dc)
{
    RECT fill;
    if (!ProgressFillRect(control, &fill))
        return;
    HBRUSH blue = CreateSolidBrush(ChromeColour(RGB(0, 0, 255), COLOR_HIGHLIGHT));
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
    if (bar == nullptr)
        return;
    int percent = ProgressPercent();
    if (percent != LastPercent) {
        LastPercent = percent;
        NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, bar, OBJID_CLIENT, CHILDID_SELF);
    }
    RECT fill;
    if (!ProgressFillRect(bar, &fill))
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
    case WM_GETOBJECT:
        // The object id is a 32-bit value, also in a 64-bit lParam.
        if (LONG(DWORD(lParam)) == OBJID_CLIENT) {
            LRESULT object = ProgressAccessibleResult(window, wParam, ProgressPercent);
            if (object)
                return object;
        }
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
    LastPercent = -1;
    ProgressBarOldProc = SubclassControl(bar, ProgressBarProc);
}

INT_PTR CALLBACK CopyPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        SetExitCaption("Abort");
        SubclassProgressBar(window);
        MarkFileNameLive(window);
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
        ForgetFileNameLive(window);
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
