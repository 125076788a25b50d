// The wizard without a mouse, and what a screen reader hears of it: a walk
// that only types keys installs and finishes, and on each page the platform's
// accessibility interface names every control and reads the copy bar's value.
#include <oleacc.h>

#include "scenario.h"

namespace {

// What assistive technology reads of a control's client object.
struct Heard {
    bool Read = false;
    std::string Name;
    long Role = 0;
    std::string Value;
};

std::string Narrow(BSTR text)
{
    if (!text)
        return "";
    char out[512] = "";
    WideCharToMultiByte(CP_ACP, 0, text, -1, out, sizeof out, nullptr, nullptr);
    SysFreeString(text);
    return out;
}

Heard Hear(HWND control)
{
    Heard heard;
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(control, DWORD(OBJID_CLIENT), IID_IAccessible,
                                          reinterpret_cast<void**>(&object))) || !object)
        return heard;
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr, value = nullptr;
    VARIANT role;
    VariantInit(&role);
    heard.Read = SUCCEEDED(object->get_accRole(self, &role));
    object->get_accName(self, &name);
    object->get_accValue(self, &value);
    heard.Name = Narrow(name);
    heard.Value = Narrow(value);
    heard.Role = role.vt == VT_I4 ? role.lVal : 0;
    object->Release();
    return heard;
}

// A label as it is read out: without the access key's ampersand.
std::string Spoken(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); i++) {
        if (text[i] == '&' && i + 1 < text.size())
            i++;
        out += text[i];
    }
    return out;
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

    // Every visible control of the page and the main window's buttons is
    // read out by its label; the destination field by the label before it.
    void ExpectEveryControlNamed(const char* page)
    {
        std::vector<HWND> controls;
        for (HWND child = GetWindow(setup_.Page(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (IsWindowVisible(child) && GetDlgCtrlID(child) != IDC_PROGRESS_BAR)
                controls.push_back(child);
        for (int id : {IDC_BACK, IDC_NEXT, IDC_EXIT})
            controls.push_back(setup_.Button(id));
        for (HWND control : controls) {
            Heard heard = Hear(control);
            EXPECT_TRUE(heard.Read) << page << " control " << GetDlgCtrlID(control);
            if (GetDlgCtrlID(control) == IDC_DIRECTORY) {
                EXPECT_EQ("Directory:", heard.Name) << page;
                EXPECT_EQ(ROLE_SYSTEM_TEXT, heard.Role) << page;
                EXPECT_EQ(setup_.ItemText(IDC_DIRECTORY), heard.Value) << page;
            } else {
                EXPECT_EQ(Spoken(WindowText(control)), heard.Name) << page << " control " << GetDlgCtrlID(control);
            }
        }
    }
    ::testing::AssertionResult Key(WORD key, bool alt = false)
    {
        if (!setup_.PressKey(key, alt))
            return ::testing::AssertionFailure() << "key " << key << " could not be sent to the setup";
        return ::testing::AssertionSuccess();
    }
    bool FocusOn(int pageItemId) { return setup_.Focus() == setup_.PageItem(pageItemId); }
};

TEST_F(Keyboard, KeysAloneInstallAndFinishAndEveryPageIsReadOut)
{
    const std::string oldDir = "C:\\kova_e2e\\old kova";
    MakeDirectories(oldDir);
    WriteWholeFile(oldDir + "\\kova.exe", "old program");
    PutReaderStub();
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(OnPage(kWelcome));
    ExpectEveryControlNamed(kWelcome);
    // Escape on a question page is ignored; Enter takes the default, Next.
    ASSERT_TRUE(Key(VK_ESCAPE));
    EXPECT_TRUE(setup_.Running());
    EXPECT_EQ(kWelcome, setup_.PageTitle());
    ASSERT_TRUE(Key(VK_RETURN));
    ASSERT_TRUE(OnPage(kDestination));
    ExpectEveryControlNamed(kDestination);

    // The field has the focus with its text selected: typing replaces it.
    EXPECT_TRUE(FocusOn(IDC_DIRECTORY));
    ASSERT_TRUE(setup_.TypeText(oldDir.c_str()));
    EXPECT_EQ(oldDir, setup_.ItemText(IDC_DIRECTORY));
    // Tab goes on in reading order (Back next); Alt+D comes back.
    ASSERT_TRUE(Key(VK_TAB));
    EXPECT_EQ(setup_.Focus(), setup_.Button(IDC_BACK));
    ASSERT_TRUE(Key('D', true));
    EXPECT_TRUE(FocusOn(IDC_DIRECTORY));
    ASSERT_TRUE(Key(VK_RETURN));
    ASSERT_TRUE(OnPage(kReplace));
    ExpectEveryControlNamed(kReplace);

    // Alt+O keeps the old installation: Next goes off and Enter would go Back.
    ASSERT_TRUE(Key('O', true));
    EXPECT_TRUE(setup_.Checked(IDC_KEEP));
    EXPECT_FALSE(setup_.Enabled(IDC_NEXT));
    EXPECT_EQ(IDC_BACK, setup_.DefaultButton());
    ASSERT_TRUE(Key('Y', true));
    EXPECT_TRUE(setup_.Checked(IDC_REPLACE));
    EXPECT_EQ(IDC_NEXT, setup_.DefaultButton());
    ASSERT_TRUE(Key(VK_RETURN));
    ASSERT_TRUE(OnPage(kReady));
    ExpectEveryControlNamed(kReady);

    // Escape during the copy asks as Exit does; N answers No and it goes on.
    // Typed together with Enter, it waits in the queue behind the copy's
    // start and reaches the copy while it works.
    ASSERT_TRUE(setup_.PressKeys({VK_RETURN, VK_ESCAPE}));
    HWND box = setup_.WaitForMessageBox(20000);
    ASSERT_NE(nullptr, box) << "no stop question on \"" << setup_.PageTitle() << "\"";
    EXPECT_EQ("Do you want to stop the installation?", setup_.MessageBoxText(box));
    ASSERT_TRUE(Key('N'));
    EXPECT_TRUE(WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000));

    // The bar is read as a progress bar named by the page, at 100 % in the
    // pause after the copy.
    Heard bar;
    WaitUntil([&] {
        bar = Hear(setup_.PageItem(IDC_PROGRESS_BAR));
        return bar.Value == "100%" || setup_.PageTitle() != kCopying;
    }, 60000);
    EXPECT_EQ(ROLE_SYSTEM_PROGRESSBAR, bar.Role);
    EXPECT_EQ(kCopying, bar.Name);
    EXPECT_EQ("100%", bar.Value);
    ASSERT_TRUE(FollowWorkPages());
    ExpectEveryControlNamed(kComplete);

    // Alt+S ticks the reader's box; Enter takes Finish, which starts it.
    ASSERT_TRUE(Key('S', true));
    EXPECT_TRUE(setup_.Checked(IDC_READER_CHECK));
    ASSERT_TRUE(Key(VK_RETURN));
    ASSERT_TRUE(ExitsWithoutQuestion());
    EXPECT_EQ(0u, setup_.ExitCode());
    EXPECT_NE(std::string::npos, WaitForTrace(kReaderTrace, 10000).find("rs405eng.exe"))
        << "the reader's installer did not start";
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA((oldDir + "\\kovamain.exe").c_str()));
}

}  // namespace
