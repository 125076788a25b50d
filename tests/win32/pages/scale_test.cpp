// The wizard at 96, 120, 144 and 192 dots per inch: every text fits its
// control, no two controls overlap, the panel shows its picture at the
// dialog's scale and the icons have the sizes the system asks for. Wine reads
// the scale (LogPixels) when a program starts: Scales.* runs AtScale.* in a
// new process of this program at each.
#include <algorithm>
#include <string>
#include <vector>

#include "test_windows.h"
#include "pages_fixture.h"
#include "core/scale.h"
#include "frame/wizard.h"
#include "message_box.h"

using namespace kovatest;

namespace {

int ScreenDpi()
{
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

bool IsButton(HWND control, LONG* type)
{
    char name[16] = "";
    GetClassNameA(control, name, sizeof name);
    *type = GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK;
    return lstrcmpiA(name, "Button") == 0;
}

// What does not fit of a control's text (a check box's or radio button's
// box, 13 pixels at 96 dpi, before it), or "".
std::string Overflow(HWND control)
{
    char text[512] = "";
    GetWindowTextA(control, text, sizeof text);
    RECT client, need;
    GetClientRect(control, &client);
    need = RECT{0, 0, client.right, 0};
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0)));
    LONG type;
    int room = client.right;
    if (IsButton(control, &type) && type != BS_GROUPBOX) {
        DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
        bool box = type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON;
        room -= box ? GetSystemMetrics(SM_CXMENUCHECK) : 2 * GetSystemMetrics(SM_CXEDGE);
        if (box)
            need.bottom = std::max<LONG>(need.bottom, MulDiv(13, ScreenDpi(), 96));
    } else if (text[0] && !IsButton(control, &type)) {
        DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    if (need.right <= room && need.bottom <= client.bottom)
        return "";
    return std::string(text) + " needs " + std::to_string(need.right) + " x " + std::to_string(need.bottom);
}

// Controls that meet in dialog units may share the pixel row where each is
// rounded on its own; a group box holds the controls inside it.
void ExpectLaidOut(HWND dialog, const char* name)
{
    std::vector<RECT> placed;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        LONG type;
        if (!IsWindowVisible(child))
            continue;
        EXPECT_EQ("", Overflow(child)) << name << " control " << GetDlgCtrlID(child);
        if (IsButton(child, &type) && type == BS_GROUPBOX)
            continue;
        RECT r, both;
        GetWindowRect(child, &r);
        r.right--, r.bottom--;
        for (const RECT& other : placed)
            EXPECT_FALSE(IntersectRect(&both, &r, &other)) << name << " control " << GetDlgCtrlID(child);
        placed.push_back(r);
    }
}

class AtScale : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        if (const char* expected = std::getenv("KOVA_EXPECTED_DPI")) {
            ASSERT_EQ(std::atoi(expected), ScreenDpi());
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
    std::vector<std::string> names = {"DESTDIRDLG2", "ERRORDLG", "OSERRORDLG"};
    for (const PageRow& row : ProductPages)
        if (row.Id != PageNoTemplate)
            names.push_back(row.Template);
    char error[512];
    FormatErrorText(ErrCreateFile, ProductLongNames[0].Name, error, sizeof error);
    for (const std::string& name : names) {
        HWND page = CreatePage(name.c_str(), StaticPageProc);
        ASSERT_NE(nullptr, page) << name;
        // The longest texts the pages are given.
        SetDlgItemTextA(page, IDC_ERROR_TEXT, error);
        SetDlgItemTextA(page, IDC_PRODUCT_IDENTITY, ProductIdentity);
        SetDlgItemTextA(page, IDC_STEP_LABEL, "Uncompressing:");
        SetDlgItemTextA(page, IDC_CURRENT_FILE, "Getting Started with KOVA.html");
        ExpectLaidOut(page, name.c_str());
        DestroyWindow(page);
        CurrentPage = nullptr;
    }
}

TEST_F(AtScale, PanelPictureAndIconsFollowTheScale)
{
    HWND panel = GetDlgItem(MainWindow, IDC_PANEL);
    RedrawWindow(panel, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT c, unit = {0, 0, 0, 8};
    GetClientRect(panel, &c);
    MapDialogRect(MainWindow, &unit);
    PanelPicture wanted = PanelPictureAt(unit.bottom);
    // The panel's colour shows just around the picture, whose own background
    // differs from it.
    const int x = (c.right - wanted.Width - 2) >> 1, y = (c.bottom - wanted.Height - 2) >> 1;
    const POINT around[] = {{x - 1, y + 1}, {x + wanted.Width, y + 1}, {x + 1, y + wanted.Height}};
    const POINT inside[] = {{x, y + 1}, {x + wanted.Width - 1, y + 1}, {x + 1, y + wanted.Height - 1}};
    HDC dc = GetDC(panel);
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(RGB(0, 160, 192), GetPixel(dc, around[i].x, around[i].y)) << i;
        EXPECT_NE(RGB(0, 160, 192), GetPixel(dc, inside[i].x, inside[i].y)) << i;
    }
    ReleaseDC(panel, dc);

    SetWindowIcons(MainWindow);
    for (WPARAM kind : {ICON_SMALL, ICON_BIG}) {
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(reinterpret_cast<HICON>(SendMessageA(MainWindow, WM_GETICON, kind, 0)), &info));
        BITMAP colour = {};
        GetObjectA(info.hbmColor, sizeof colour, &colour);
        EXPECT_EQ(GetSystemMetrics(kind == ICON_SMALL ? SM_CXSMICON : SM_CXICON), colour.bmWidth) << kind;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
    }
}

TEST(Scales, ThePagesAtEachScaleInAProgramStartedThere)
{
    const char key[] = "Control Panel\\Desktop";
    DWORD saved = 96, size = sizeof saved;
    RegGetValueA(HKEY_CURRENT_USER, key, "LogPixels", RRF_RT_REG_DWORD, nullptr, &saved, &size);
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof program);
    for (DWORD dpi : {96u, 120u, 144u, 192u}) {
        ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_CURRENT_USER, key, "LogPixels", REG_DWORD, &dpi, sizeof dpi));
        SetEnvironmentVariableA("KOVA_EXPECTED_DPI", std::to_string(dpi).c_str());
        std::string command = std::string("\"") + program + "\" --gtest_filter=AtScale.*";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        DWORD code = 1;
        if (CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) {
            WaitForSingleObject(process.hProcess, 120000);
            GetExitCodeProcess(process.hProcess, &code);
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
        EXPECT_EQ(0u, code) << "the pages at " << dpi << " dots per inch (output above)";
    }
    SetEnvironmentVariableA("KOVA_EXPECTED_DPI", nullptr);
    RegSetKeyValueA(HKEY_CURRENT_USER, key, "LogPixels", REG_DWORD, &saved, sizeof saved);
}

}  // namespace
