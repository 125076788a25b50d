// The wizard at the display scales of today's PCs (96, 120, 144 and 192 dots
// per inch): every text fits its control and no two controls overlap, the
// panel shows the drawing nearest the dialog's scale at that scale, and the
// window's icons have the sizes the system asks for. Wine reads its scale
// (LogPixels) when a program starts, so Scales.* runs the AtScale cases in a
// new process of this program at each scale.
#include <algorithm>
#include <string>
#include <vector>

#include "test_windows.h"
#include "pages_fixture.h"
#include "core/product_tables.h"
#include "core/scale.h"
#include "frame/chrome.h"
#include "frame/wizard.h"
#include "message_box.h"

using namespace kovatest;

namespace {

const char DesktopKey[] = "Control Panel\\Desktop";

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

// Templates whose controls are laid out for the page area: every page of the
// walk, the second form of the destination page and the two error pages.
std::vector<std::string> PageTemplateNames()
{
    std::vector<std::string> names;
    for (const PageRow& row : ProductPages)
        if (row.Id != PageNoTemplate)
            names.push_back(row.Template);
    for (const char* name : {"DESTDIRDLG2", "ERRORDLG", "OSERRORDLG"})
        names.push_back(name);
    return names;
}

// The longest texts the program puts into the controls it fills in.
void FillRunTimeTexts(HWND page)
{
    char error[512];
    FormatErrorText(ErrCreateFile, "Getting Started with KOVA.html", error, sizeof error);
    const char* longestName = "";
    for (const LongFileName& name : ProductLongNames)
        if (std::strlen(name.Name) > std::strlen(longestName))
            longestName = name.Name;
    const struct {
        int Id;
        const char* Text;
    } texts[] = {{IDC_PRODUCT_IDENTITY, ProductIdentity}, {IDC_REQUIRED_SIZE, "2047.9 MB"},
                 {IDC_AVAILABLE_SIZE, "2047.9 MB"},    {IDC_ERROR_TEXT, error},
                 {IDC_STEP_LABEL, "Uncompressing:"},   {IDC_CURRENT_FILE, longestName}};
    for (const auto& text : texts)
        if (GetDlgItem(page, text.Id))
            SetDlgItemTextA(page, text.Id, text.Text);
}

// What does not fit of one control's text, or "" when it all does.
std::string Overflow(HWND control)
{
    char text[512] = "";
    GetWindowTextA(control, text, sizeof text);
    char className[32] = "";
    GetClassNameA(control, className, sizeof className);
    LONG style = GetWindowLongA(control, GWL_STYLE);
    RECT client;
    GetClientRect(control, &client);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    TEXTMETRICA metrics;
    GetTextMetricsA(dc, &metrics);
    RECT need = {0, 0, client.right, 0};
    int room = client.right;
    UINT format = DT_CALCRECT | DT_EXPANDTABS;
    bool isButton = lstrcmpiA(className, "Button") == 0;
    int type = style & BS_TYPEMASK;
    if (lstrcmpiA(className, "Edit") == 0) {
        need.bottom = metrics.tmHeight;
    } else if (isButton && (type == BS_GROUPBOX || !text[0])) {
        need = RECT{};
    } else if (isButton) {
        DrawTextA(dc, text, -1, &need, format | DT_SINGLELINE);
        // A check box or radio button draws its box (13 pixels at 96 dots
        // per inch) and a gap before the text.
        if (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON) {
            room -= GetSystemMetrics(SM_CXMENUCHECK) + metrics.tmAveCharWidth / 2;
            need.bottom = std::max<LONG>(need.bottom, MulDiv(13, ScreenDpi(), 96));
        } else
            room -= 2 * GetSystemMetrics(SM_CXEDGE);
    } else if (text[0]) {
        DrawTextA(dc, text, -1, &need, format | ((style & SS_NOPREFIX) ? DT_NOPREFIX : 0) |
                                           ((style & SS_TYPEMASK) == SS_LEFTNOWORDWRAP ? 0 : DT_WORDBREAK));
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (need.right <= room && need.bottom <= client.bottom)
        return "";
    return "\"" + std::string(text) + "\" needs " + std::to_string(need.right) + " x " + std::to_string(need.bottom) +
           ", has " + std::to_string(room) + " x " + std::to_string(client.bottom);
}

bool Visible(HWND control)
{
    return (GetWindowLongA(control, GWL_STYLE) & WS_VISIBLE) != 0;
}

bool IsGroupBox(HWND control)
{
    char className[32] = "";
    GetClassNameA(control, className, sizeof className);
    return lstrcmpiA(className, "Button") == 0 && (GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

// Every visible child's text fits, and no two of them overlap (a group box
// holds the controls inside it). Controls that meet in dialog units may share
// the pixel row or column where each is rounded on its own.
void ExpectLaidOut(HWND dialog, const std::string& name)
{
    std::vector<HWND> controls;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (Visible(child) && GetParent(child) == dialog)
            controls.push_back(child);
    for (size_t i = 0; i < controls.size(); i++) {
        EXPECT_EQ("", Overflow(controls[i])) << name << " control " << GetDlgCtrlID(controls[i]);
        RECT a, b, both;
        GetWindowRect(controls[i], &a);
        a.right -= 1;
        a.bottom -= 1;
        for (size_t j = i + 1; j < controls.size(); j++) {
            GetWindowRect(controls[j], &b);
            if (!IsGroupBox(controls[i]) && !IsGroupBox(controls[j])) {
                EXPECT_FALSE(IntersectRect(&both, &a, &b))
                    << name << ": controls " << GetDlgCtrlID(controls[i]) << " and " << GetDlgCtrlID(controls[j]);
            }
        }
    }
}

class AtScale : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        const char* expected = std::getenv("KOVA_EXPECTED_DPI");
        if (expected) {
            ASSERT_EQ(std::atoi(expected), ScreenDpi()) << "the scale this run was started at";
        }
        ASSERT_NE(OpenTestMainWindow(), nullptr);
        CreateTitleFont(MainWindow);
        SubclassChrome();
        ShowWindow(MainWindow, SW_SHOW);
    }
    void TearDown() override
    {
        CloseTestMainWindow();
        DeleteTitleFont();
        Fixture::TearDown();
    }
};

TEST_F(AtScale, EveryTextFitsAndNoControlsOverlap)
{
    ExpectLaidOut(MainWindow, "MAINDLG");
    RECT panel, separator;
    GetWindowRect(GetDlgItem(MainWindow, IDC_PANEL), &panel);
    GetWindowRect(GetDlgItem(MainWindow, IDC_SEPARATOR), &separator);
    for (const std::string& name : PageTemplateNames()) {
        HWND page = CreatePage(name.c_str(), StaticPageProc);
        ASSERT_NE(nullptr, page) << name;
        FillRunTimeTexts(page);
        ExpectLaidOut(page, name);
        RECT area;
        GetWindowRect(page, &area);
        EXPECT_GE(area.left, panel.right) << name;
        EXPECT_LE(area.bottom, separator.top) << name;
        DestroyWindow(page);
        CurrentPage = nullptr;
    }
}

TEST_F(AtScale, PanelShowsTheNearestDrawingAtTheScaledSize)
{
    HWND panel = GetDlgItem(MainWindow, IDC_PANEL);
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    PumpFor(50);
    RECT unit = {0, 0, 0, 8};
    MapDialogRect(MainWindow, &unit);
    PanelPicture wanted = PanelPictureAt(unit.bottom);
    RECT c;
    GetClientRect(panel, &c);
    // The picture's own background is lighter than the panel's at its top
    // and darker at its bottom: the panel's colour shows only around it.
    const COLORREF background = RGB(0, 160, 192);
    const int x = (c.right - wanted.Width - 2) >> 1;
    const int y = (c.bottom - wanted.Height - 2) >> 1;
    EXPECT_GE(x, 2);
    EXPECT_GE(y, 2);
    HDC dc = GetDC(panel);
    EXPECT_EQ(background, GetPixel(dc, x - 1, y + 1));
    EXPECT_EQ(background, GetPixel(dc, x + wanted.Width, y + wanted.Height - 2));
    EXPECT_EQ(background, GetPixel(dc, x + 1, y + wanted.Height));
    EXPECT_NE(background, GetPixel(dc, x, y + 1));
    EXPECT_NE(background, GetPixel(dc, x + wanted.Width - 1, y + wanted.Height - 2));
    EXPECT_NE(background, GetPixel(dc, x + 1, y + wanted.Height - 1));
    ReleaseDC(panel, dc);
}

TEST_F(AtScale, WindowIconsHaveTheSizesTheSystemAsksFor)
{
    SetWindowIcons(MainWindow);
    const struct {
        WPARAM Kind;
        int Metric;
    } icons[] = {{ICON_SMALL, SM_CXSMICON}, {ICON_BIG, SM_CXICON}};
    for (const auto& icon : icons) {
        HICON handle = reinterpret_cast<HICON>(SendMessageA(MainWindow, WM_GETICON, icon.Kind, 0));
        ICONINFO info = {};
        ASSERT_TRUE(handle && GetIconInfo(handle, &info)) << icon.Kind;
        BITMAP colour = {};
        GetObjectA(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(GetSystemMetrics(icon.Metric), colour.bmWidth) << icon.Kind;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

// The scale the prefix had, put back at the end.
class SavedScale {
public:
    SavedScale()
    {
        DWORD size = sizeof value_;
        had_ = RegGetValueA(HKEY_CURRENT_USER, DesktopKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &value_, &size) ==
               ERROR_SUCCESS;
    }
    ~SavedScale()
    {
        if (had_)
            Set(value_);
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, DesktopKey, "LogPixels");
    }
    static bool Set(DWORD dpi)
    {
        return RegSetKeyValueA(HKEY_CURRENT_USER, DesktopKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi) ==
               ERROR_SUCCESS;
    }

private:
    DWORD value_ = 96;
    bool had_ = false;
};

TEST(Scales, ThePagesAtEachScaleInAProgramStartedThere)
{
    char program[MAX_PATH];
    ASSERT_GT(GetModuleFileNameA(nullptr, program, sizeof program), 0u);
    SavedScale saved;
    for (DWORD dpi : {96u, 120u, 144u, 192u}) {
        ASSERT_TRUE(SavedScale::Set(dpi));
        SetEnvironmentVariableA("KOVA_EXPECTED_DPI", std::to_string(dpi).c_str());
        std::string command = std::string("\"") + program + "\" --gtest_filter=AtScale.*";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                   &process));
        DWORD code = 1;
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.hProcess, 120000)) << dpi;
        GetExitCodeProcess(process.hProcess, &code);
        EXPECT_EQ(0u, code) << "the pages at " << dpi << " dots per inch (its output above)";
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetEnvironmentVariableA("KOVA_EXPECTED_DPI", nullptr);
}

}  // namespace
