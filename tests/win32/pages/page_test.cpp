// The pages as child dialogs of a main window, and the window's chrome.
#include <cctype>
#include "test_windows.h"
#include "pages_fixture.h"
#include "core/panel_picture.h"
#include "frame/chrome.h"
#include "frame/wizard.h"
#include "message_box.h"

using namespace kovatest;

namespace {

class PageTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        ASSERT_NE(OpenTestMainWindow(), nullptr);
        CreateTitleFont(MainWindow);
        GetCurrentDirectoryA(sizeof savedDirectory_, savedDirectory_);
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(savedDirectory_);
        CloseTestMainWindow();
        DeleteTitleFont();
        Fixture::TearDown();
    }
    HWND Show(const char* name, DLGPROC procedure)
    {
        if (CurrentPage)
            DestroyWindow(CurrentPage);
        HWND page = CreatePage(name, procedure);
        PumpFor(50);
        return page;
    }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(MainWindow, id)) != FALSE; }
    bool Shown(int id) { return (GetWindowLongA(GetDlgItem(CurrentPage, id), GWL_STYLE) & WS_VISIBLE) != 0; }
    void Type(const char* text) { SetDlgItemTextA(CurrentPage, IDC_DIRECTORY, text); }

    char savedDirectory_[MAX_PATH];
};

TEST_F(PageTest, WelcomeShowsTheProductIdentity)
{
    HWND page = Show("INTRODLG", WelcomePageProc);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("XBRT 550 713/2 R17B", Text(page, IDC_PRODUCT_IDENTITY));
    EXPECT_EQ("This installation program will install\nKovalith for Windows\nversion 17.1", Text(page, IDC_WELCOME_TEXT));
    EXPECT_EQ(GetParent(page), MainWindow);
}

TEST_F(PageTest, DestinationShowsSizesAndAllowsNextWhenTheyFit)
{
    SelectComponent(&Descriptor, 0, 1);
    FileTable[0].Size = 1572864 - 512; // with the 1-byte row: 1.5 MB after rounding
    SetDestination("C:\\kovatest\\KOVA");
    HWND page = Show("DESTDIRDLG1", DestinationPageProc);
    FileTable[0].Size = 1000;
    ASSERT_NE(nullptr, page);
    EXPECT_EQ("C:\\kovatest\\KOVA", Text(page, IDC_DIRECTORY));
    EXPECT_EQ(GetDlgItem(page, IDC_DIRECTORY), GetFocus());
    EXPECT_EQ("1.5 MB", Text(page, IDC_REQUIRED_SIZE));
    std::string available = Text(page, IDC_AVAILABLE_SIZE);
    EXPECT_TRUE(available == "> 2 GB" || available.find(" MB") != std::string::npos) << available;
    EXPECT_EQ('C', LastDriveLetter);
    EXPECT_TRUE(Enabled(IDC_NEXT));
    EXPECT_TRUE(Enabled(IDC_BACK));
}

TEST_F(PageTest, DestinationWithoutADriveShowsNotAvailable)
{
    SelectComponent(&Descriptor, 0, 1);
    SetDestination("C:\\KOVA");
    Show("DESTDIRDLG1", DestinationPageProc);
    ASSERT_TRUE(Enabled(IDC_NEXT));

    Type("\\\\server\\share\\KOVA");
    EXPECT_EQ("n/a", Text(CurrentPage, IDC_AVAILABLE_SIZE));
    EXPECT_FALSE(Enabled(IDC_NEXT));
    EXPECT_TRUE(Enabled(IDC_BACK));
    EXPECT_EQ(IDC_BACK, LOWORD(SendMessageA(MainWindow, DM_GETDEFID, 0, 0)));
    EXPECT_EQ(0, LastDriveLetter);

    // Back on a drive: measured again.
    Type("C:\\KOVA");
    EXPECT_NE("n/a", Text(CurrentPage, IDC_AVAILABLE_SIZE));
    EXPECT_TRUE(Enabled(IDC_NEXT));
}

TEST_F(PageTest, DestinationIgnoresDriveAAndKeepsTheFigures)
{
    SelectComponent(&Descriptor, 0, 1);
    SetDestination("\\\\server\\KOVA");
    Show("DESTDIRDLG1", DestinationPageProc);
    EXPECT_EQ("n/a", Text(CurrentPage, IDC_AVAILABLE_SIZE));
    Type("C:\\KOVA");
    std::string figures = Text(CurrentPage, IDC_AVAILABLE_SIZE);
    ASSERT_TRUE(Enabled(IDC_NEXT));
    Type("A:\\KOVA");
    EXPECT_EQ(figures, Text(CurrentPage, IDC_AVAILABLE_SIZE));
    EXPECT_TRUE(Enabled(IDC_NEXT));
    EXPECT_EQ('C', LastDriveLetter);
    Type("a:\\KOVA");
    EXPECT_EQ('C', LastDriveLetter);
}

TEST_F(PageTest, DestinationRebuiltForDriveAMeasuresTheNextDriveTyped)
{
    SelectComponent(&Descriptor, 0, 1);
    SetDestination("C:\\KOVA");
    Show("DESTDIRDLG1", DestinationPageProc);
    ASSERT_EQ('C', LastDriveLetter);
    // Next with A:\KOVA, which cannot be made: the page comes back for it.
    SetDestination("A:\\KOVA");
    Show("DESTDIRDLG2", DestinationPageProc);
    EXPECT_EQ("n/a", Text(CurrentPage, IDC_AVAILABLE_SIZE));
    ASSERT_FALSE(Enabled(IDC_NEXT));
    Type("C:\\KOVA");
    EXPECT_NE("n/a", Text(CurrentPage, IDC_AVAILABLE_SIZE));
    EXPECT_TRUE(Enabled(IDC_NEXT));
}

TEST_F(PageTest, DestinationQuotedPathIsMeasuredButKeptAsTyped)
{
    SelectComponent(&Descriptor, 0, 1);
    SetDestination("\\\\server\\KOVA");
    Show("DESTDIRDLG2", DestinationPageProc);
    ASSERT_FALSE(Enabled(IDC_NEXT));
    Type("\"C:\\KOVA\"");
    EXPECT_TRUE(Enabled(IDC_NEXT));
    EXPECT_STREQ("\\\\server\\KOVA", DestinationDir) << "only the commit takes the text";
    SendMessageA(CurrentPage, WM_COMMAND, IDC_PAGE_COMMIT, 0);
    EXPECT_STREQ("\"C:\\KOVA\"", DestinationDir);

    // The quoted directory cannot be made, so the page comes back for it; a
    // plain path on the same drive must let the user go on from there.
    Show("DESTDIRDLG2", DestinationPageProc);
    Type("C:\\KOVA test");
    EXPECT_NE("n/a", Text(CurrentPage, IDC_AVAILABLE_SIZE));
    EXPECT_TRUE(Enabled(IDC_NEXT));
}

TEST_F(PageTest, DestinationTextIsLimited)
{
    SetDestination("C:\\KOVA");
    Show("DESTDIRDLG1", DestinationPageProc);
    std::string longText = "C:\\" + std::string(300, 'x');
    SendDlgItemMessageA(CurrentPage, IDC_DIRECTORY, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(longText.c_str()));
    EXPECT_EQ(260, GetWindowTextLengthA(GetDlgItem(CurrentPage, IDC_DIRECTORY)));
    SendMessageA(CurrentPage, WM_COMMAND, IDC_PAGE_COMMIT, 0);
    EXPECT_EQ(259u, std::strlen(DestinationDir));
}

TEST_F(PageTest, ReplaceAllowsNextOnlyWhileReplacing)
{
    HWND page = Show("REPLACEDLG", ReplacePageProc);
    ASSERT_NE(nullptr, page);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page, IDC_REPLACE));
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, IDC_KEEP));
    EXPECT_EQ(GetDlgItem(page, IDC_REPLACE), GetFocus());
    EXPECT_TRUE(Enabled(IDC_NEXT));

    SendDlgItemMessageA(page, IDC_KEEP, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, IDC_REPLACE));
    EXPECT_EQ(0, ReplaceOldInstallation);
    EXPECT_FALSE(Enabled(IDC_NEXT));
    EXPECT_TRUE(Enabled(IDC_BACK));
    EXPECT_TRUE(Enabled(IDC_EXIT));

    SendMessageA(page, WM_COMMAND, IDC_PAGE_COMMIT, 0);
    EXPECT_EQ(0, ReplaceOldInstallation);

    SendDlgItemMessageA(page, IDC_REPLACE, BM_CLICK, 0, 0);
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, IDC_KEEP));
    EXPECT_EQ(1, ReplaceOldInstallation);
    EXPECT_TRUE(Enabled(IDC_NEXT));
}

TEST_F(PageTest, ReplaceRemembersKeepAndOverridesTheFrameButtons)
{
    ReplaceOldInstallation = 0;
    HWND page = CreatePage("REPLACEDLG", ReplacePageProc);
    ASSERT_NE(nullptr, page);
    // What the frame does after creating the page at this position.
    SetNavButtons(true, true, true);
    EXPECT_TRUE(Enabled(IDC_NEXT));
    PumpFor(50);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page, IDC_KEEP));
    EXPECT_FALSE(Enabled(IDC_NEXT));
}

class CompletionTest : public PageTest {
protected:
    void SetUp() override
    {
        PageTest::SetUp();
        ASSERT_TRUE(CreateDirectoryA(In("setup").c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(In("setup").c_str()));
    }
    void ProvideReader()
    {
        ASSERT_TRUE(CreateDirectoryA(In("acrobat").c_str(), nullptr));
        ASSERT_TRUE(CopyRecorder(In("acrobat\\rs405eng.exe")));
    }
    bool QuitPosted()
    {
        MSG msg;
        return PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    }
};

TEST_F(CompletionTest, HidesTheReaderOfferWhenTheInstallerIsAbsent)
{
    HWND page = Show("READYDLG", CompletionPageProc);
    ASSERT_NE(nullptr, page);
    for (int id : {IDC_READER_GROUP, IDC_READER_CHECK, IDC_READER_SECOND_LINE, IDC_READER_NOTE})
        EXPECT_FALSE(Shown(id)) << id;
    EXPECT_TRUE(Shown(IDC_PAGE_TITLE));
    EXPECT_EQ("Finish", Text(MainWindow, IDC_EXIT));
}

TEST_F(CompletionTest, OffersTheReaderAndTicksTheFlag)
{
    ProvideReader();
    HWND page = Show("READYDLG", CompletionPageProc);
    for (int id : {IDC_READER_GROUP, IDC_READER_CHECK, IDC_READER_SECOND_LINE, IDC_READER_NOTE})
        EXPECT_TRUE(Shown(id)) << id;
    EXPECT_EQ(BST_UNCHECKED, IsDlgButtonChecked(page, IDC_READER_CHECK));
    EXPECT_EQ("&Start the Adobe \xAE Acrobat \xAE Reader", Text(page, IDC_READER_CHECK));
    SendDlgItemMessageA(page, IDC_READER_CHECK, BM_CLICK, 0, 0);
    EXPECT_EQ(1, LaunchReaderAtExit);
    EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(page, IDC_READER_CHECK));
    SendDlgItemMessageA(page, IDC_READER_CHECK, BM_CLICK, 0, 0);
    EXPECT_EQ(0, LaunchReaderAtExit);
}

TEST_F(CompletionTest, LaunchStartsTheReaderInstallerAndQuits)
{
    ProvideReader();
    LaunchReaderInstaller();
    EXPECT_TRUE(QuitPosted());
    std::string record = WaitForRecord(record_, 1, 15000);
    EXPECT_NE(std::string::npos, record.find("rs405eng.exe|")) << record;
}

TEST_F(CompletionTest, LaunchFailureIsShownAndStillQuits)
{
    MessageBoxAnswer answer("Error", IDOK);
    LaunchReaderInstaller();
    answer.Wait();
    EXPECT_TRUE(answer.Answered());
    EXPECT_EQ(0u, answer.Text().find("Could not start the Acrobat Reader plug-in installation program "
                                     "'..\\acrobat\\rs405eng.exe'.\nThe file may be damaged or missing.\n"))
        << answer.Text();
    EXPECT_NE(std::string::npos, answer.Text().find("download a new copy from http://")) << answer.Text();
    EXPECT_TRUE(QuitPosted());
}

// The text a control is reached by with Alt: its own, or for a field, the
// label just before it; 0 when there is none.
char AccessKey(HWND control)
{
    char className[16] = "";
    GetClassNameA(control, className, sizeof className);
    if (lstrcmpiA(className, "Edit") == 0)
        control = GetWindow(control, GW_HWNDPREV);
    char text[256] = "";
    GetWindowTextA(control, text, sizeof text);
    const char* mark = std::strchr(text, '&');
    return mark && mark[1] ? char(std::tolower(static_cast<unsigned char>(mark[1]))) : 0;
}

TEST_F(PageTest, TabGoesInReadingOrderAndEachInputHasAnAccessKeyOfItsOwn)
{
    SetNavButtons(true, true, true);
    HWND exit = GetDlgItem(MainWindow, IDC_EXIT);
    for (const PageRow& row : ProductPages) {
        if (row.Id == PageNoTemplate)
            continue;
        // StaticPageProc: the template's controls, with no step started.
        HWND page = Show(row.Template, StaticPageProc);
        ASSERT_NE(nullptr, page) << row.Template;
        std::vector<HWND> order;
        for (HWND c = GetNextDlgTabItem(MainWindow, exit, FALSE); c && c != exit && order.size() < 40;
             c = GetNextDlgTabItem(MainWindow, c, FALSE))
            order.push_back(c);
        ASSERT_GE(order.size(), 2u) << row.Template;
        EXPECT_EQ(GetDlgItem(MainWindow, IDC_BACK), order[order.size() - 2]) << row.Template;
        EXPECT_EQ(GetDlgItem(MainWindow, IDC_NEXT), order.back()) << row.Template;
        std::string keys = "bn";  // Back's and Next's
        RECT last = {-1, -1, -1, -1};
        for (size_t i = 0; i + 2 < order.size(); i++) {
            EXPECT_EQ(page, GetParent(order[i])) << row.Template;
            RECT r;
            GetWindowRect(order[i], &r);
            EXPECT_TRUE(r.top > last.top || (r.top == last.top && r.left > last.left))
                << row.Template << ": control " << GetDlgCtrlID(order[i]) << " is read before the one tabbed before it";
            last = r;
            char key = AccessKey(order[i]);
            EXPECT_NE(0, key) << row.Template << ": control " << GetDlgCtrlID(order[i]) << " has no access key";
            EXPECT_EQ(std::string::npos, keys.find(key)) << row.Template << ": access key " << key << " twice";
            keys += key;
        }
    }
}

class ChromeTest : public PageTest {
protected:
    COLORREF PixelOf(int id, int x, int y)
    {
        HWND control = GetDlgItem(MainWindow, id);
        HDC dc = GetDC(control);
        COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(control, dc);
        return colour;
    }
    void Repaint()
    {
        RedrawWindow(MainWindow, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpFor(50);
    }
};

TEST_F(ChromeTest, CentresAndRoundsTowardsMinusInfinity)
{
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 101, 51, nullptr, nullptr, AppInstance, nullptr);
    CenterOnScreen(window);
    RECT r;
    GetWindowRect(window, &r);
    EXPECT_EQ((width - 101) / 2, r.left);
    EXPECT_EQ((height - 51) / 2, r.top);
    EXPECT_EQ(101, r.right - r.left);

    // One pixel larger than the screen: -1/2 is -1 when halved by a shift.
    SetWindowPos(window, nullptr, 0, 0, width + 1, height + 3, SWP_NOZORDER | SWP_NOMOVE);
    CenterOnScreen(window);
    GetWindowRect(window, &r);
    EXPECT_EQ(-1, r.left);
    EXPECT_EQ(-2, r.top);
    DestroyWindow(window);
}

TEST_F(ChromeTest, TitleFontIsABoldCopyOfTheDialogFont)
{
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageA(MainWindow, WM_GETFONT, 0, 0));
    ASSERT_NE(nullptr, TitleFont);
    EXPECT_NE(dialogFont, TitleFont);
    LOGFONTA plain, bold;
    ASSERT_EQ(int(sizeof plain), GetObjectA(dialogFont, sizeof plain, &plain));
    ASSERT_EQ(int(sizeof bold), GetObjectA(TitleFont, sizeof bold, &bold));
    EXPECT_EQ(700, bold.lfWeight);
    EXPECT_STREQ(plain.lfFaceName, bold.lfFaceName);
    EXPECT_EQ(plain.lfHeight, bold.lfHeight);

    HWND page = Show("INTRODLG", WelcomePageProc);
    EXPECT_EQ(reinterpret_cast<LRESULT>(TitleFont), SendDlgItemMessageA(page, IDC_PAGE_TITLE, WM_GETFONT, 0, 0));

    // The copy goes at the end; a font that could not be copied is the
    // window's own, and stays.
    HGDIOBJ copy = TitleFont;
    DeleteTitleFont();
    EXPECT_EQ(0u, GetObjectType(copy));
    HWND window = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, AppInstance, nullptr);
    HBRUSH notAFont = CreateSolidBrush(RGB(1, 2, 3));
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(notAFont), FALSE);
    CreateTitleFont(window);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(notAFont), reinterpret_cast<HGDIOBJ>(TitleFont));
    DeleteTitleFont();
    EXPECT_EQ(DWORD(OBJ_BRUSH), GetObjectType(notAFont));
    DeleteObject(notAFont);
    DestroyWindow(window);
}

TEST_F(ChromeTest, PanelAndSeparatorArePaintedFromThePictureAndSystemColours)
{
    SubclassChrome();
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(PanelProc), GetWindowLongPtrA(GetDlgItem(MainWindow, IDC_PANEL), GWLP_WNDPROC));
    Repaint();

    RECT c;
    GetClientRect(GetDlgItem(MainWindow, IDC_PANEL), &c);
    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), PixelOf(IDC_PANEL, 0, 5));
    EXPECT_EQ(RGB(0, 0, 0), PixelOf(IDC_PANEL, 1, 5));
    // The white edge runs along x = R and y = B, just outside the client
    // area, so the background reaches the right and bottom borders.
    EXPECT_EQ(RGB(0, 160, 192), PixelOf(IDC_PANEL, c.right - 1, 5));
    EXPECT_EQ(RGB(0, 160, 192), PixelOf(IDC_PANEL, 5, c.bottom - 1));
    EXPECT_EQ(RGB(0, 160, 192), PixelOf(IDC_PANEL, 3, 3));

    // The picture sits in the middle, pixel for pixel as drawn.
    int height;
    ASSERT_EQ(95, PanelPictureSize(100, &height));
    std::vector<uint32_t> drawn(95 * 174);
    DrawPanelPicture(100, drawn.data());
    int x = (c.right - 95 - 2) >> 1;
    int y = (c.bottom - 174 - 2) >> 1;
    int same = 0;
    for (int py = 0; py < 174; py += 29)
        for (int px = 0; px < 95; px += 19) {
            uint32_t p = drawn[py * 95 + px];
            same += RGB(p >> 16, p >> 8 & 0xff, p & 0xff) == PixelOf(IDC_PANEL, x + px, y + py);
        }
    EXPECT_EQ(6 * 5, same);

    EXPECT_EQ(GetSysColor(COLOR_BTNSHADOW), PixelOf(IDC_SEPARATOR, 5, 0));
    EXPECT_EQ(GetSysColor(COLOR_BTNHIGHLIGHT), PixelOf(IDC_SEPARATOR, 5, 1));
}

TEST_F(ChromeTest, ASystemColourChangeReachesTheNextPaint)
{
    SubclassChrome();
    int element = COLOR_BTNSHADOW;
    COLORREF saved = GetSysColor(element);
    COLORREF changed = RGB(200, 10, 30);
    SetSysColors(1, &element, &changed);
    Repaint();
    COLORREF framePixel = PixelOf(IDC_PANEL, 0, 5);
    COLORREF linePixel = PixelOf(IDC_SEPARATOR, 5, 0);
    SetSysColors(1, &element, &saved);
    EXPECT_EQ(changed, framePixel);
    EXPECT_EQ(changed, linePixel);
}

} // namespace
