// The icon page's DDE client against Wine's Program Manager server and
// against the scripted one.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "desktop_hold.h"
#include "fake_progman.h"
#include "core/registry_names.h"
#include "harness.h"
#include "message_box.h"
#include "progman_expected.h"
#include "register/dde_client.h"

namespace {

class IconPageTest : public WizardHarness {
protected:
    void SetUp() override
    {
        WizardHarness::SetUp();
        std::strcpy(DestinationDir, "C:\\Program Files\\KOVAwin");
        Descriptor.ProgramItems = items.Rows.data();
        // A failed group runs the finishing step: without a profile it
        // leaves the user's files alone.
        const char* profile = std::getenv("UserProfile");
        savedProfile = profile ? profile : "";
        _putenv("UserProfile=");
    }
    void TearDown() override
    {
        _putenv(("UserProfile=" + savedProfile).c_str());
        WizardHarness::TearDown();
    }
    void Show() { ShowWorkPage("NEWICONDLG", IconPageProc); }
    // Waits for the page to end either way; returns the milliseconds it took.
    DWORD RunToEnd(DWORD ms)
    {
        DWORD start = GetTickCount();
        EXPECT_TRUE(PumpUntil([&] { return MovedOn() || OnErrorPage(); }, ms));
        return GetTickCount() - start;
    }
    void ExpectGroupError()
    {
        EXPECT_TRUE(OnErrorPage());
        EXPECT_EQ(InstallError, ErrProgramGroup);
        EXPECT_EQ(ErrorText(), "Installation succeeded, but groups could not be created in Program Shell.");
    }

    std::string savedProfile;
    SelectedProductItems items;
};

std::string ProgramsFolder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void RemoveGroupFolder(const std::string& folder)
{
    DeleteFileA((folder + "\\KOVA.lnk").c_str());
    DeleteFileA((folder + "\\Getting Started with KOVA.lnk").c_str());
    RemoveDirectoryA(folder.c_str());
}

void TouchFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
}

} // namespace

TEST_F(IconPageTest, WinesProgramManagerCreatesTheGroupAndItsLinks)
{
    std::string userGroup = ProgramsFolder(CSIDL_PROGRAMS) + "\\KOVAwin";
    std::string commonGroup = ProgramsFolder(CSIDL_COMMON_PROGRAMS) + "\\KOVAwin";
    RemoveGroupFolder(userGroup);
    RemoveGroupFolder(commonGroup);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string destination = std::string(temp) + "kova icons";
    CreateDirectoryA(destination.c_str(), nullptr);
    TouchFile(destination + "\\kovamain.exe");
    TouchFile(destination + "\\Getting Started with KOVA.html");
    std::strcpy(DestinationDir, destination.c_str());

    Show();
    HGLOBAL block = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return CurrentDdeClient && (block = CurrentDdeClient->ExecuteBlock) != nullptr; }, 5000))
        << "no execute posted; InstallError " << InstallError;
    EXPECT_EQ(CurrentDdeClient->Pending, Executing);
    RunToEnd(15000);
    EXPECT_TRUE(MovedOn()) << "InstallError " << InstallError;
    // Freed by the acknowledgement of the execute, and only then.
    EXPECT_EQ(GlobalFlags(block), UINT(GMEM_INVALID_HANDLE));
    std::string group = FileExists(userGroup + "\\KOVA.lnk") ? userGroup : commonGroup;
    EXPECT_TRUE(FileExists(group + "\\KOVA.lnk")) << group;
    EXPECT_TRUE(FileExists(group + "\\Getting Started with KOVA.lnk")) << group;
}

TEST_F(IconPageTest, FirstInstallationSendsOneExecuteAndMovesOnAfterTheFinishDelay)
{
    ProgmanScript script;
    script.GroupList = "Main\r\nAccessories\r\nKOVA\r\n";
    FakeProgman server(script);
    Show();
    DWORD ms = RunToEnd(8000);
    EXPECT_TRUE(MovedOn());
    EXPECT_GE(ms, 1700u);
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"PROGMAN"});
    EXPECT_EQ(server.Executes(), std::vector<std::string>{FirstInstallation});
    EXPECT_EQ(server.DataAcks(), std::vector<WORD>{0x8000});
    EXPECT_TRUE(PumpUntil([&] { return server.Terminated(); }, 2000));
}

TEST_F(IconPageTest, ReinstallationReplacesItemsFoundInAnyLetterCase)
{
    ProgmanScript script;
    script.GroupList = "Main\r\nkovawin\r\n";
    script.GroupContents = "\"kovawin\",\"kovawin.grp\",3,1\r\n"
                           "\"kova\",\"C:\\OLD\\KOVAMAIN.EXE\",,0,0,0\r\n"
                           "\"Other Item\",\"C:\\other.exe\"\r\n"
                           "\"GETTING STARTED WITH KOVA\",\"C:\\OLD\\guide.html\"\r\n";
    FakeProgman server(script);
    std::strcpy(DestinationDir, "C:\\Program Files\\KOVAwin\\");
    Show();
    RunToEnd(8000);
    EXPECT_TRUE(MovedOn());
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"PROGMAN", "KOVAWIN"}));
    ASSERT_EQ(server.Executes().size(), 1u);
    EXPECT_EQ(server.Executes()[0], Reinstallation);
    EXPECT_EQ(server.Executes()[0].find("Other Item"), std::string::npos);
}

TEST_F(IconPageTest, GroupInsideALongerNameIsAnotherGroup)
{
    ProgmanScript script;
    script.GroupList = "Main\r\nKOVAwin Tools\r\n";
    script.GroupItemsAnswer = Answer::NegativeAck;
    FakeProgman server(script);
    Show();
    RunToEnd(8000);
    EXPECT_TRUE(MovedOn());
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"PROGMAN"});
    EXPECT_EQ(server.Executes(), std::vector<std::string>{FirstInstallation});
}

TEST_F(IconPageTest, RefusedGroupItemsGoStraightOnToTheCommands)
{
    ProgmanScript script;
    script.GroupList = "Main\r\nkovawin\r\n";
    script.GroupItemsAnswer = Answer::NegativeAck;
    FakeProgman server(script);
    Show();
    DWORD ms = RunToEnd(15000);
    EXPECT_TRUE(MovedOn());
    EXPECT_LT(ms, 5000u);
    EXPECT_EQ(server.Requests(), (std::vector<std::string>{"PROGMAN", "KOVAWIN"}));
    EXPECT_EQ(server.Executes(), std::vector<std::string>{std::string(FirstInstallation).insert(
                                     std::strlen("[CreateGroup(\"KOVAwin\")]"), "[ShowGroup(KOVAwin,1)]")});
}

TEST_F(IconPageTest, SilenceAfterTheExecuteEndsAfterTenSeconds)
{
    ProgmanScript script;
    script.AnswerExecute = false;
    FakeProgman server(script);
    Show();
    DWORD ms = RunToEnd(15000);
    ExpectGroupError();
    EXPECT_GE(ms, 9500u);
    EXPECT_EQ(server.Executes().size(), 1u);
}

TEST_F(IconPageTest, AReplyAfterTheTimeOutFindsTheConversationEnded)
{
    // The execute is acknowledged only after the reply timer has ended the
    // page, while the finishing step shows a message box (a file stands
    // where the user's configuration folder goes).
    ProgmanScript script;
    script.ExecuteAckDelayMs = ReplyDelayMs + 500;
    FakeProgman server(script);
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string profile = std::string(temp) + "kova late reply";
    CreateDirectoryA(profile.c_str(), nullptr);
    TouchFile(profile + "\\KOVA_TMP");
    _putenv(("UserProfile=" + profile).c_str());
    // The last page of the walk follows, as on the way to completion.
    OpenGuideAtExit = 0;
    Walk[1] = PageCompletion;
    Templates[PageCompletion] = "STARTDLG";
    Procedures[PageCompletion] = StaticPageProc;
    BoxWatcher boxes(FinishDelayMs + 1500);
    Show();
    RunToEnd(ReplyDelayMs + 8000);
    boxes.Stop();
    ExpectGroupError();
    // The finishing step ran once: one box, and the last page never came.
    EXPECT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(OpenGuideAtExit, 0);
    DeleteFileA((profile + "\\KOVA_TMP").c_str());
    RemoveDirectoryA(profile.c_str());
}

TEST_F(IconPageTest, ReplyInAnotherFormatIsRefusedAndNotRead)
{
    ProgmanScript script;
    script.GroupList = "KOVAwin\r\n";
    script.GroupListAnswer = Answer::OtherFormat;
    FakeProgman server(script);
    Show();
    RunToEnd(8000);
    EXPECT_TRUE(MovedOn());
    EXPECT_EQ(server.DataAcks(), std::vector<WORD>{0});
    EXPECT_EQ(server.Requests(), std::vector<std::string>{"PROGMAN"});
    EXPECT_EQ(server.Executes(), std::vector<std::string>{FirstInstallation});
}

TEST_F(IconPageTest, AStrayAcknowledgementAfterTheDataDoesNotEndTheExecute)
{
    ProgmanScript script;
    script.StrayAckAfterData = true;
    script.StrayItemName = "KovaStrayItem"; // an atom no one else holds
    script.ExecuteAckDelayMs = 600;
    FakeProgman server(script);
    Show();
    HGLOBAL block = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return CurrentDdeClient && (block = CurrentDdeClient->ExecuteBlock) != nullptr; }, 5000));
    RunToEnd(8000);
    EXPECT_TRUE(MovedOn());
    EXPECT_EQ(server.Executes().size(), 1u);
    EXPECT_TRUE(PumpUntil([&] { return server.Terminated(); }, 2000));
    EXPECT_FALSE(server.TerminatedBeforeExecuteAck());
    EXPECT_EQ(GlobalFlags(block), UINT(GMEM_INVALID_HANDLE));
    // The stray acknowledgement's item atom was given back.
    EXPECT_EQ(GlobalFindAtomA("KovaStrayItem"), 0);
}

// Top-level windows of a program that answers, slowly: each keeps a
// broadcast 0.4 s, under its time-out.
LRESULT CALLBACK SlowWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DDE_INITIATE)
        Sleep(400);
    return DefWindowProcA(window, message, wParam, lParam);
}

DWORD WINAPI MakeSlowWindows(void* ready)
{
    WNDCLASSA type = {};
    type.lpfnWndProc = SlowWindowProc;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "KovaTestSlow";
    RegisterClassA(&type);
    for (int n = 0; n < 30; n++)
        CreateWindowExA(0, type.lpszClassName, "slow", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    SetEvent(ready);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}

TEST_F(IconPageTest, NoServerAtAllShowsTheErrorPageAsSoonAsTheBroadcastReturns)
{
    // The installation stands without its group, so the finishing step runs
    // first: the earlier uninstaller's boot-time delete of the new one goes,
    // and the user gets the configuration.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string root = std::string(temp) + "kova group error";
    const std::string dest = root + "\\KOVAwin", profile = root + "\\profile";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(dest.c_str(), nullptr);
    CreateDirectoryA(profile.c_str(), nullptr);
    TouchFile(dest + "\\uninstal.exe");
    TouchFile(dest + "\\tarndaemon.conf");
    DeleteFileA((profile + "\\KOVA_TMP\\tarndaemon.conf").c_str());
    std::strcpy(DestinationDir, dest.c_str());
    _putenv(("UserProfile=" + profile).c_str());
    const std::string pending = "\\??\\" + dest + "\\uninstal.exe" + '\0' + '\0' + '\0';
    HKEY session = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_ALL_ACCESS, &session), ERROR_SUCCESS);
    RegSetValueExA(session, PendingOperationsValues[0], 0, REG_MULTI_SZ,
                   reinterpret_cast<const BYTE*>(pending.data()), DWORD(pending.size()));
    DWORD ms;
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    DWORD slowId = 0;
    HANDLE slow = CreateThread(nullptr, 0, MakeSlowWindows, ready, 0, &slowId);
    ASSERT_NE(nullptr, slow);
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(ready, 5000));
    {
        DesktopSuspended quiet;
        ASSERT_GT(quiet.Threads(), 0u) << "no desktop process to silence";
        DWORD start = GetTickCount();
        Show();
        ASSERT_TRUE(PumpUntil([&] { return MovedOn() || OnErrorPage(); }, 8000));
        ms = GetTickCount() - start;
    }
    PostThreadMessageA(slowId, WM_QUIT, 0, 0);
    WaitForSingleObject(slow, 5000);
    CloseHandle(slow);
    CloseHandle(ready);
    ExpectGroupError();
    char caption[32] = "";
    GetDlgItemTextA(MainWindow, IDC_EXIT, caption, sizeof caption);
    EXPECT_STREQ(caption, "Close");
    // Ended by the broadcast's own bound, not by the 10-second reply timer
    // nor by the time each window takes to answer.
    EXPECT_LT(ms, ReplyDelayMs - 1000u);
    EXPECT_EQ(RegQueryValueExA(session, PendingOperationsValues[0], nullptr, nullptr, nullptr, nullptr),
              ERROR_FILE_NOT_FOUND) << "the boot-time delete of the new uninstaller stays";
    RegDeleteValueA(session, PendingOperationsValues[0]);
    RegCloseKey(session);
    EXPECT_TRUE(FileExists(profile + "\\KOVA_TMP\\tarndaemon.conf"));
}

TEST_F(IconPageTest, NothingToInstallMovesOnWithoutDde)
{
    FakeProgman server(ProgmanScript{});
    Descriptor.ProgramItems = nullptr;
    Show();
    DWORD ms = RunToEnd(3000);
    EXPECT_TRUE(MovedOn());
    EXPECT_LT(ms, 1000u);
    EXPECT_EQ(server.Initiates(), 0);
}

TEST_F(IconPageTest, ClientCommandsGrowPastTheClassicBuffer)
{
    std::string title(200, 't');
    std::vector<ProgramItemRow> rows(50, ProgramItemRow{1, "item.exe", title.c_str(), 1, 0, 1});
    rows.push_back(ProgramItemRow{0, nullptr, "KOVAwin", 0, 0, 0});
    Descriptor.ProgramItems = rows.data();
    FakeProgman server(ProgmanScript{});
    Show();
    RunToEnd(8000);
    EXPECT_TRUE(MovedOn());
    ASSERT_EQ(server.Executes().size(), 1u);
    EXPECT_GT(server.Executes()[0].size(), 8192u);
    EXPECT_EQ(server.Executes()[0].substr(server.Executes()[0].size() - 10), std::string(title, 0, 7) + "\")]");
}
