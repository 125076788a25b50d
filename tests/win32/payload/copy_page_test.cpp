// The copy page inside the real frame, and the progress bar's drawing.
#include "copy_fixture.h"

#include <oleacc.h>

#include <algorithm>

#include "frame/frame.h"
#include "frame/wizard.h"
#include "message_box.h"
#include "pages/paths.h"
#include "screenshot.h"

namespace {

const COLORREF Blue = RGB(0, 0, 255);

// Fills a bitmap the size of the bar's client area white, lets
// DrawProgressFill paint into it and returns how far the fill reaches on
// row `y` (the first column that is not blue, from the left edge on), or -1
// when some pixel of rows 0-1 or columns 0-1 is blue.
int FillEnd(HWND bar, int y)
{
    RECT r;
    GetClientRect(bar, &r);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DrawProgressFill(bar, dc);
    int end = 2;
    while (end < r.right && GetPixel(dc, end, y) == Blue)
        end++;
    for (int x = 0; x < r.right; x++)
        for (int row = 0; row < 2; row++)
            if (GetPixel(dc, x, row) == Blue || (x < 2 && GetPixel(dc, x, y) == Blue))
                end = -1;
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return end;
}

}  // namespace

namespace {

// The accessibility events raised in this process, as a screen reader is told of them.
std::vector<std::pair<DWORD, HWND>> Events;
void CALLBACK RecordEvent(HWINEVENTHOOK, DWORD event, HWND window, LONG, LONG, DWORD, DWORD)
{
    Events.push_back({event, window});
}
int CountEvents(DWORD event, HWND window)
{
    PumpFor(100);
    return int(std::count(Events.begin(), Events.end(), std::make_pair(event, window)));
}

// The bar's role, and its value (or name) as assistive technology reads it.
std::string Read(HWND control, bool value, long* role = nullptr)
{
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, DWORD(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))))
        return "(none)";
    VARIANT self, kind;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VariantInit(&kind);
    BSTR text = nullptr;
    object->get_accRole(self, &kind);
    value ? object->get_accValue(self, &text) : object->get_accName(self, &text);
    object->Release();
    if (role)
        *role = kind.lVal;
    char narrow[256] = "";
    if (text)
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof narrow, nullptr, nullptr);
    SysFreeString(text);
    return narrow;
}

}  // namespace

TEST_F(CopyTest, TheBarIsReadAsAProgressBarAndEachNewValueAndFileNameIsTold)
{
    Start({PackedRow("noise.kbx"), PackedRow("notes.txt")});
    HWND bar = GetDlgItem(page_, IDC_PROGRESS_BAR);
    HWND file = GetDlgItem(page_, IDC_CURRENT_FILE);
    SetDlgItemTextA(page_, IDC_PAGE_TITLE, "Copying files");
    Events.clear();
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_LIVEREGIONCHANGED, nullptr,
                                         RecordEvent, GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    long role = 0;
    // Each new percent is told once; a step within it tells nothing.
    const uint32_t steps[] = {0, engine_->BytesTotal / 4 + 1, engine_->BytesTotal / 4 + 2, engine_->BytesTotal};
    const char* values[] = {"0%", "25%", "25%", "100%"};
    const int told[] = {1, 2, 2, 3};
    for (int i = 0; i < 4; i++) {
        engine_->BytesDone = steps[i];
        PaintProgress();
        EXPECT_EQ(values[i], Read(bar, true, &role));
        EXPECT_EQ(told[i], CountEvents(EVENT_OBJECT_VALUECHANGE, bar)) << i;
    }
    EXPECT_EQ(ROLE_SYSTEM_PROGRESSBAR, role);
    EXPECT_EQ("Copying files", Read(bar, false));
    // Past 42,949,672 bytes the share's product no longer fits 32 bits.
    engine_->BytesTotal = 4000000000u;
    engine_->BytesDone = engine_->BytesTotal - 1;
    EXPECT_EQ("99%", Read(bar, true));
    // The file's name is a live region; the step label is not.
    ShowCopyStatus(StatusFile, "notes.txt");
    ShowCopyStatus(StatusStep, "Uncompressing:");
    EXPECT_EQ(1, CountEvents(EVENT_OBJECT_LIVEREGIONCHANGED, file));
    EXPECT_EQ(0, CountEvents(EVENT_OBJECT_LIVEREGIONCHANGED, GetDlgItem(page_, IDC_STEP_LABEL)));
    EXPECT_EQ("notes.txt", Read(file, false));
    UnhookWinEvent(hook);
}

// Wine reports high contrast as off and cannot switch it on: the flag is set
// as the installer reads it, with the system's colours changed to a scheme
// like its black one (with KOVA_SCREENS_DIR set, a screenshot goes there).
TEST_F(CopyTest, InHighContrastTheBarPanelAndLineTakeTheSystemsColours)
{
    Start({PackedRow("notes.txt")});
    SetWindowTextA(MainWindow, "Install");
    SetWindowIcons(MainWindow);
    SetNavButtons(false, false, true);
    SetExitCaption("Abort");
    CreateTitleFont(MainWindow);
    SubclassChrome();
    SendDlgItemMessageA(page_, IDC_PAGE_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(TitleFont), FALSE);
    ShowWindow(MainWindow, SW_SHOW);
    ShowCopyStatus(StatusFile, "kovamain.exe");
    engine_->BytesDone = engine_->BytesTotal / 3;
    const int elements[] = {COLOR_BTNFACE,     COLOR_BTNTEXT,   COLOR_WINDOW,       COLOR_WINDOWTEXT, COLOR_HIGHLIGHT,
                            COLOR_WINDOWFRAME, COLOR_BTNSHADOW, COLOR_BTNHIGHLIGHT, COLOR_GRAYTEXT};
    const COLORREF scheme[] = {RGB(0, 0, 0),     RGB(255, 255, 255), RGB(0, 0, 0),
                               RGB(255, 255, 255), RGB(26, 235, 255), RGB(255, 255, 0),
                               RGB(128, 128, 128), RGB(250, 250, 250), RGB(63, 242, 63)};
    COLORREF saved[9];
    for (int i = 0; i < 9; i++)
        saved[i] = GetSysColor(elements[i]);
    SetSysColors(9, elements, scheme);
    HighContrast = 1;
    RedrawWindow(MainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(100);
    const struct {
        int Window;
        int X, Y;
        COLORREF Expected;
    } pixels[] = {{IDC_PROGRESS_BAR, 1, 5, RGB(255, 255, 0)}, {IDC_PROGRESS_BAR, 3, 5, RGB(26, 235, 255)},
                  {IDC_PANEL, 1, 5, RGB(255, 255, 0)},        {IDC_PANEL, 3, 3, RGB(0, 0, 0)},
                  {IDC_SEPARATOR, 5, 0, RGB(128, 128, 128)},  {IDC_SEPARATOR, 5, 1, RGB(250, 250, 250)}};
    COLORREF seen[6];
    for (int i = 0; i < 6; i++) {
        HWND window = GetDlgItem(pixels[i].Window == IDC_PROGRESS_BAR ? page_ : MainWindow, pixels[i].Window);
        HDC dc = GetDC(window);
        seen[i] = GetPixel(dc, pixels[i].X, pixels[i].Y);
        ReleaseDC(window, dc);
    }
    if (const char* shots = std::getenv("KOVA_SCREENS_DIR"))
        SaveWindowPng(MainWindow, std::string(shots) + "\\high-contrast-copying.png");
    HighContrast = 0;
    SetSysColors(9, elements, saved);
    DeleteTitleFont();
    for (int i = 0; i < 6; i++)
        EXPECT_EQ(pixels[i].Expected, seen[i]) << "control " << pixels[i].Window << " at " << pixels[i].X;
}

TEST_F(CopyTest, ProgressFillIsTheShareOfBytesDone)
{
    Start({PackedRow("noise.kbx"), PackedRow("notes.txt")});
    HWND bar = GetDlgItem(page_, IDC_PROGRESS_BAR);
    RECT r;
    GetClientRect(bar, &r);
    ASSERT_GT(r.right, 100);
    ASSERT_GT(r.bottom, 4);
    const uint32_t total = engine_->BytesTotal;
    const int width = r.right - 2;
    engine_->BytesDone = 0;
    EXPECT_EQ(FillEnd(bar, 5), 2);
    engine_->BytesDone = total / 3;
    EXPECT_EQ(FillEnd(bar, 5), 2 + static_cast<int>(static_cast<uint64_t>(width) * (total / 3) / total));
    engine_->BytesDone = total - 1;
    EXPECT_EQ(FillEnd(bar, r.bottom - 1), 2 + static_cast<int>(static_cast<uint64_t>(width) * (total - 1) / total));
    engine_->BytesDone = total;
    EXPECT_EQ(FillEnd(bar, r.bottom - 1), r.right);
    // While a file whose compressed form is the larger is written the count
    // runs ahead of the total for a moment; the bar stops at its end.
    engine_->BytesDone = total + 5000;
    EXPECT_EQ(FillEnd(bar, 5), r.right);
    engine_->BytesTotal = 0;
    EXPECT_EQ(FillEnd(bar, 5), 2);
    CurrentCopyEngine = nullptr;
    engine_->BytesTotal = total;
    EXPECT_EQ(FillEnd(bar, 5), 2);
}

// The page in the frame, between ready pages, the descriptor pointing at
// the test's rows.
class CopyPageTest : public CopyTest {
protected:
    void SetUp() override
    {
        CopyTest::SetUp();
        DestroyWindow(page_);
        page_ = nullptr;
        templates_[0] = "STARTDLG";
        templates_[1] = "COPYFILESDLG";
        templates_[2] = "STARTDLG";
        templates_[3] = "STARTDLG";
        templates_[4] = "STARTDLG";
        procedures_[0] = reinterpret_cast<PageProcedure>(StaticPageProc);
        procedures_[1] = reinterpret_cast<PageProcedure>(CopyPageProc);
        procedures_[2] = procedures_[0];
        procedures_[3] = procedures_[0];
        procedures_[4] = procedures_[0];
        saved_ = Descriptor;
        Descriptor = descriptor_;
        Descriptor.PageCount = 5;
        Descriptor.FirstWorkPage = 1;
        Descriptor.PageTemplates = templates_;
        Descriptor.PageProcedures = procedures_;
        // Leaving any page resets the template at the destination page's id;
        // the walk here goes around that id, and id 4, the last page, is
        // never reached.
        BuildPageList(5);
        SetPageInList(PageDestination, false);
    }
    void TearDown() override
    {
        if (CurrentPage)
            DestroyWindow(CurrentPage);
        CurrentPage = nullptr;
        FreePageList();
        Descriptor = saved_;
        InstallError = 0;
        CopyTest::TearDown();
    }
    void Show(std::vector<FileEntry> rows, bool select = true)
    {
        rows_ = rows;
        for (FileEntry& row : rows_)
            row.Selected = select ? 1 : 0;
        rows_.push_back(FileEntry{});
        Descriptor.Files = rows_.data();
        ShowPageAt(1);
    }
    std::string Title() { return CurrentPage ? Text(CurrentPage, IDC_PAGE_TITLE) : std::string(); }
    // Runs the message loop until the page title changes from "Copying files".
    void PumpUntilLeft(DWORD timeoutMs = 60000)
    {
        DWORD start = GetTickCount();
        MSG msg;
        while (Title() == "Copying files" && GetTickCount() - start < timeoutMs) {
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!IsDialogMessageA(MainWindow, &msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
                if (Title() != "Copying files")
                    return;
                OnMessage();
            }
            Sleep(2);
        }
    }
    virtual void OnMessage() {}

    const char* templates_[5];
    PageProcedure procedures_[5];
    InstallDescriptor saved_;
};

class CopyPageRunTest : public CopyPageTest {
protected:
    // Once the copy is done and the pause runs: note the time and read the bar.
    void OnMessage() override
    {
        CopyEngine* engine = CurrentCopyEngine;
        if (finishedAt_ != 0 || engine == nullptr || engine->ErrorCode != 0 || engine->BytesDone != engine->BytesTotal ||
            Text(CurrentPage, IDC_STEP_LABEL) != "Copying file:" || Text(CurrentPage, IDC_CURRENT_FILE).empty())
            return;
        finishedAt_ = GetTickCount();
        HWND bar = GetDlgItem(CurrentPage, IDC_PROGRESS_BAR);
        RedrawWindow(bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        RECT r;
        GetClientRect(bar, &r);
        HDC dc = GetDC(bar);
        cornerInside_ = GetPixel(dc, 2, 2);
        cornerEnd_ = GetPixel(dc, r.right - 1, r.bottom - 1);
        outerEdge_ = GetPixel(dc, 0, r.bottom / 2);
        innerEdge_ = GetPixel(dc, 1, r.bottom / 2);
        ReleaseDC(bar, dc);
    }
    DWORD finishedAt_ = 0;
    COLORREF cornerInside_ = 0, cornerEnd_ = 0, outerEdge_ = 0, innerEdge_ = 0;
};

TEST_F(CopyPageRunTest, CopiesPaintsAndMovesOnAfterTheHalfSecondPause)
{
    Show({PackedRow("notes.txt"), PackedRow("manual.htm")});
    ASSERT_EQ(Title(), "Copying files");
    EXPECT_EQ(Text(MainWindow, IDC_EXIT), "Abort");
    EXPECT_NE(CurrentCopyEngine, nullptr);
    PumpUntilLeft();
    EXPECT_EQ(Title(), "Ready to install");
    EXPECT_EQ(CurrentPosition, 2);
    EXPECT_EQ(CurrentCopyEngine, nullptr);
    EXPECT_EQ(InstallError, 0);
    ASSERT_NE(finishedAt_, 0u);
    EXPECT_GE(GetTickCount() - finishedAt_, 400u);
    EXPECT_EQ(cornerInside_, Blue);
    EXPECT_EQ(cornerEnd_, Blue);
    EXPECT_EQ(outerEdge_, GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF);
    EXPECT_EQ(innerEdge_, RGB(0, 0, 0));
    EXPECT_TRUE(ReadAll(Target("manual.htm")) == ReadAll(StagePath("manual.htm")));
}

TEST_F(CopyPageRunTest, NothingSelectedShowsNoFillAndMovesOn)
{
    Show({PackedRow("notes.txt")}, false);
    DWORD start = GetTickCount();
    PumpUntilLeft();
    EXPECT_EQ(Title(), "Ready to install");
    EXPECT_GE(GetTickCount() - start, 450u);
    EXPECT_FALSE(Exists(Target("notes.txt")));
}

TEST_F(CopyPageTest, FailureGoesToTheErrorPageWithTheEnginesMessage)
{
    ASSERT_TRUE(CreateDirectoryA(Target("manual.ht_").c_str(), nullptr));
    Show({PackedRow("notes.txt"), PackedRow("manual.htm")});
    PumpUntilLeft();
    EXPECT_EQ(Title(), "Installation not completed");
    EXPECT_EQ(InstallError, ErrCreateFile);
    EXPECT_EQ(Text(CurrentPage, IDC_ERROR_TEXT), ErrorMessage(ErrCreateFile, "manual.htm"));
    EXPECT_EQ(CurrentCopyEngine, nullptr);
    EXPECT_TRUE(Exists(Target("notes.txt")));
}

TEST_F(CopyPageTest, ConfirmedStopShowsInstallationAbortedAndRemovesThePartialFile)
{
    Show({PackedRow("notes.txt"), PackedRow("manual.htm")});
    ASSERT_NE(CurrentCopyEngine, nullptr);
    // Two questions before the files and nine for notes.txt: the fourteenth
    // comes after the first piece of manual.htm has been read.
    StopAnswerer answerer(CurrentCopyEngine, 14);
    PumpUntilLeft();
    const std::vector<StopPoint>& points = answerer.Finish();
    ASSERT_EQ(points.size(), 14u);
    EXPECT_EQ(points.back().File, "manual.htm");
    ASSERT_FALSE(points.back().Partial.empty());
    EXPECT_EQ(Title(), "Installation not completed");
    EXPECT_EQ(Text(CurrentPage, IDC_ERROR_TEXT), "Installation aborted.");
    EXPECT_FALSE(Exists(points.back().Partial));
    EXPECT_TRUE(Exists(Target("notes.txt")));
}
