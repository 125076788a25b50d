// The copy page inside the real frame, and the progress bar's drawing.
#include "copy_fixture.h"
#include "frame/frame.h"
#include "frame/wizard.h"
#include "pages/paths.h"

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
