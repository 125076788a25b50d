// The wizard without a mouse, and what a screen reader hears of it: a walk
// that only types keys installs and finishes, and on each page the platform's
// accessibility interface names every control and reads the copy bar.
#include <oleacc.h>

#include "scenario.h"

namespace {

struct Heard {
    std::string Name, Value;
    long Role = 0;
};

// A control's client object as assistive technology in another process reads it.
Heard Hear(HWND control)
{
    Heard heard;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, DWORD(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))))
        return heard;
    VARIANT self, role;
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VariantInit(&role);
    BSTR texts[2] = {};
    object->get_accName(self, &texts[0]);
    object->get_accValue(self, &texts[1]);
    object->get_accRole(self, &role);
    object->Release();
    heard.Role = role.vt == VT_I4 ? role.lVal : 0;
    std::string* out[2] = {&heard.Name, &heard.Value};
    for (int i = 0; i < 2; i++) {
        char narrow[512] = "";
        if (texts[i])
            WideCharToMultiByte(CP_ACP, 0, texts[i], -1, narrow, sizeof narrow, nullptr, nullptr);
        SysFreeString(texts[i]);
        *out[i] = narrow;
    }
    return heard;
}

class Keyboard : public SetupScenario {
protected:
    void SetUp() override
    {
        SetupScenario::SetUp();
        CoInitialize(nullptr);
    }
    void TearDown() override
    {
        CoUninitialize();
        SetupScenario::TearDown();
    }
    // Every visible control of the page and each button is read out by its
    // label without the access key's '&'; the field by the label before it.
    void ExpectEveryControlNamed()
    {
        std::vector<HWND> controls = {setup_.Button(IDC_BACK), setup_.Button(IDC_NEXT), setup_.Button(IDC_EXIT)};
        for (HWND child = GetWindow(setup_.Page(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (IsWindowVisible(child) && GetDlgCtrlID(child) != IDC_PROGRESS_BAR)
                controls.push_back(child);
        for (HWND control : controls) {
            Heard heard = Hear(control);
            std::string label = GetDlgCtrlID(control) == IDC_DIRECTORY ? "&Directory:" : WindowText(control);
            size_t key = label.find('&');
            if (key != std::string::npos)
                label.erase(key, 1);
            EXPECT_EQ(label, heard.Name) << setup_.PageTitle() << " control " << GetDlgCtrlID(control);
            if (GetDlgCtrlID(control) == IDC_DIRECTORY) {
                EXPECT_EQ(ROLE_SYSTEM_TEXT, heard.Role);
                EXPECT_EQ(setup_.ItemText(IDC_DIRECTORY), heard.Value);
            }
        }
    }
    void Keys(std::vector<WORD> keys, bool alt = false) { ASSERT_TRUE(setup_.PressKeys(keys, alt)); }
    HWND Item(int id) { return setup_.PageItem(id); }
};

TEST_F(Keyboard, KeysAloneInstallAndFinishAndEveryPageIsReadOut)
{
    const std::string oldDir = "C:\\kova_e2e\\old kova";
    MakeDirectories(oldDir);
    WriteWholeFile(oldDir + "\\kova.exe", "old program");
    PutReaderStub();
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(OnPage(kWelcome));
    ExpectEveryControlNamed();
    // Escape on a question page is ignored; Enter takes the default, Next.
    Keys({VK_ESCAPE, VK_RETURN});
    ASSERT_TRUE(OnPage(kDestination));
    ExpectEveryControlNamed();
    // The field has the focus with its text selected, so typing replaces
    // it; Tab goes on to Back, Alt+D comes back.
    EXPECT_EQ(Item(IDC_DIRECTORY), setup_.Focus());
    ASSERT_TRUE(setup_.TypeText(oldDir.c_str()));
    EXPECT_EQ(oldDir, setup_.ItemText(IDC_DIRECTORY));
    Keys({VK_TAB});
    EXPECT_EQ(setup_.Button(IDC_BACK), setup_.Focus());
    Keys({'D'}, true);
    EXPECT_EQ(Item(IDC_DIRECTORY), setup_.Focus());
    Keys({VK_RETURN});
    ASSERT_TRUE(OnPage(kReplace));
    ExpectEveryControlNamed();
    // Alt+O keeps the old installation: Next goes off, Back is the default.
    Keys({'O'}, true);
    EXPECT_TRUE(setup_.Checked(IDC_KEEP));
    EXPECT_EQ(IDC_BACK, setup_.DefaultButton());
    Keys({'Y'}, true);
    EXPECT_EQ(IDC_NEXT, setup_.DefaultButton());
    Keys({VK_RETURN});
    ASSERT_TRUE(OnPage(kReady));
    ExpectEveryControlNamed();
    // Escape typed with the Enter that starts the copy waits behind the
    // copy's start and asks as Exit does; N answers No, and the copy goes on.
    Keys({VK_RETURN, VK_ESCAPE});
    HWND box = setup_.WaitForMessageBox(20000);
    ASSERT_NE(nullptr, box) << "no stop question on \"" << setup_.PageTitle() << "\"";
    EXPECT_EQ("Do you want to stop the installation?", setup_.MessageBoxText(box));
    Keys({'N'});
    // The bar: a progress bar named by its page, at 100 % in the pause.
    Heard bar;
    WaitUntil([&] { return (bar = Hear(Item(IDC_PROGRESS_BAR))).Value == "100%"; }, 60000);
    EXPECT_EQ(ROLE_SYSTEM_PROGRESSBAR, bar.Role);
    EXPECT_EQ(kCopying, bar.Name);
    EXPECT_EQ("100%", bar.Value);
    ASSERT_TRUE(FollowWorkPages());
    ExpectEveryControlNamed();
    // Alt+S ticks the reader's box; Enter takes Finish, which starts it.
    Keys({'S'}, true);
    EXPECT_TRUE(setup_.Checked(IDC_READER_CHECK));
    Keys({VK_RETURN});
    ASSERT_TRUE(ExitsWithoutQuestion());
    EXPECT_EQ(0u, setup_.ExitCode());
    EXPECT_NE(std::string::npos, WaitForTrace(kReaderTrace, 10000).find("rs405eng.exe"));
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((oldDir + "\\kovamain.exe").c_str()));
}

}  // namespace
