// The frame's window side under Wine: buttons, the error page, the stop question.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "test_windows.h"
#include "frame/frame.h"
#include "frame/setup_log.h"
#include "message_box.h"

namespace {

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(OpenTestMainWindow(), nullptr); }
    void TearDown() override { CloseTestMainWindow(); }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(MainWindow, id)) != FALSE; }
    int DefaultId() { return LOWORD(SendMessageA(MainWindow, DM_GETDEFID, 0, 0)); }
};

TEST_F(FrameTest, NavButtonsMoveDefaultAndFocusAwayFromDisabledButtons)
{
    SetFocus(GetDlgItem(MainWindow, IDC_NEXT));
    SetNavButtons(true, false, true);
    EXPECT_TRUE(Enabled(IDC_BACK));
    EXPECT_FALSE(Enabled(IDC_NEXT));
    EXPECT_EQ(DefaultId(), IDC_BACK); // Enter must not move forward while Next is off
    EXPECT_EQ(GetFocus(), GetDlgItem(MainWindow, IDC_BACK));

    SetNavButtons(false, true, true);
    EXPECT_FALSE(Enabled(IDC_BACK));
    EXPECT_TRUE(Enabled(IDC_NEXT));
    EXPECT_EQ(DefaultId(), IDC_NEXT);
    EXPECT_EQ(GetFocus(), GetDlgItem(MainWindow, IDC_NEXT));

    SetNavButtons(false, false, true);
    EXPECT_FALSE(Enabled(IDC_BACK));
    EXPECT_FALSE(Enabled(IDC_NEXT));
    EXPECT_TRUE(Enabled(IDC_EXIT));
    EXPECT_EQ(DefaultId(), IDC_EXIT);
    EXPECT_EQ(GetFocus(), GetDlgItem(MainWindow, IDC_EXIT));
    EXPECT_EQ(SendMessageA(GetDlgItem(MainWindow, IDC_NEXT), WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON, 0);
}

TEST_F(FrameTest, FocusOutsideTheButtonsStaysWhereItIs)
{
    SetNavButtons(true, true, true);
    HWND edit = CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 50, 12, MainWindow,
                                nullptr, AppInstance, nullptr);
    SetFocus(edit);
    SetNavButtons(true, false, true);
    EXPECT_EQ(GetFocus(), edit);
    EXPECT_EQ(DefaultId(), IDC_BACK);
}

TEST_F(FrameTest, ErrorPageFormatsEachCodeAndEndsNavigation)
{
    struct Case {
        int code;
        const char* argument;
        const char* expected;
    } cases[] = {
        {ErrSourceMissing, "kovamain.exe", "The source file kovamain.exe is missing. Contact your supplier."},
        {ErrDataMissing, "kovamain.exe", "Internal data is missing. Contact your supplier."},
        {ErrCreateFile, "kovamain.exe",
         "Cannot create file kovamain.exe. Be sure the disk is writable and you have write access.\n\nIf you have "
         "an earlier version of KOVA running, please close it down and restart the installation."},
        {ErrReadFile, "a.dll", "Cannot read from file a.dll. The source disk may be bad."},
        {ErrWriteFile, "kovamain.ex_", "Cannot write to file kovamain.ex_. A write error has occurred."},
        {ErrFileSize, "a.dll", "The size of file a.dll is incorrect. A write error has occurred."},
        {ErrChecksum, "kova.exe", "Checksum error in file kova.exe. The source disk may be bad."},
        {ErrCrcRead, "kova.exe", "Cannot calculate CRC in file kova.exe. A read error occurred."},
        {ErrUncompress, "kova.exe", "Cannot uncompress file kova.exe. File is bad or a write error occurred."},
        {ErrAborted, nullptr, "Installation aborted."},
        {ErrCreateDirectory, "C:\\Shared\\", "Cannot create directory."},
        {ErrRegistry, nullptr, "Cannot create registry entry."},
        {ErrProgramGroup, nullptr, "Installation succeeded, but groups could not be created in Program Shell."},
    };
    for (const Case& c : cases) {
        InstallError = 0;
        char argument[64] = "";
        if (c.argument)
            lstrcpynA(argument, c.argument, sizeof argument);
        ShowErrorPage(c.code, c.argument ? argument : nullptr);
        // The page keeps its own copy: the caller's storage may die with its engine.
        lstrcpyA(argument, "overwritten");
        ASSERT_NE(CurrentPage, nullptr);
        EXPECT_EQ(Text(CurrentPage, IDC_ERROR_TEXT), c.expected) << "code " << c.code;
        EXPECT_EQ(Text(CurrentPage, IDC_PAGE_TITLE), "Installation not completed");
        if (c.argument) {
            EXPECT_STREQ(InstallErrorArg, c.argument);
        }
        EXPECT_EQ(InstallError, c.code);
    }
    EXPECT_EQ(Text(MainWindow, IDC_EXIT), "Close");
    EXPECT_FALSE(Enabled(IDC_BACK));
    EXPECT_FALSE(Enabled(IDC_NEXT));
    EXPECT_TRUE(Enabled(IDC_EXIT));
    EXPECT_EQ(DefaultId(), IDC_EXIT);

    HWND page = CurrentPage;
    GoNextPage();
    GoPreviousPage();
    SendMessageA(MainWindow, WM_COMMAND, IDC_NEXT, 0);
    EXPECT_EQ(CurrentPage, page);
    EXPECT_TRUE(IsWindow(page));
    EXPECT_EQ(InstallError, ErrProgramGroup);
}

TEST_F(FrameTest, StopQuestionOnlyAfterARequestAndOnlyYesStops)
{
    StopRequested = 0;
    EXPECT_FALSE(ConfirmAbort(MainWindow)); // no request: no question

    {
        StopRequested = 1;
        MessageBoxAnswer answer("Install", IDNO);
        EXPECT_FALSE(ConfirmAbort(MainWindow));
        answer.Wait();
        EXPECT_TRUE(answer.Answered());
        EXPECT_EQ(answer.Text(), "Do you want to stop the installation?");
        EXPECT_EQ(StopRequested, 0); // consumed
    }
    {
        StopRequested = 1;
        MessageBoxAnswer answer("Install", IDYES);
        EXPECT_TRUE(ConfirmAbort(MainWindow));
        answer.Wait();
        EXPECT_TRUE(answer.Answered());
    }
}

TEST_F(FrameTest, PumpDispatchesQueuedClicksAndHandsOverTheRequest)
{
    // A click queued for the main window is dispatched by the pump; the test's
    // dialog procedure ignores it, so only the flag set beforehand comes back.
    PostMessageA(MainWindow, WM_NULL, 0, 0);
    StopRequested = 1;
    EXPECT_EQ(PumpMessages(), 1);
    EXPECT_EQ(PumpMessages(), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, MainWindow, 0, 0, PM_NOREMOVE));
}

TEST(OperatingSystem, CurrentWineVersionIsSupportedWithFontsFolderByFlags)
{
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    bool supported = CheckOperatingSystem(14);
    if (info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion != 4) {
        EXPECT_TRUE(supported);
        EXPECT_EQ(OsUnsupported, 0);
        EXPECT_EQ(UseFontsFolder, 0);
        EXPECT_TRUE(CheckOperatingSystem(10));
        EXPECT_EQ(UseFontsFolder, 1);
    } else {
        ADD_FAILURE() << "prefix reports platform " << info.dwPlatformId << " version " << info.dwMajorVersion;
    }
}

DWORD WINAPI LogLinesOf(void* letter)
{
    std::string text(1000, *static_cast<const char*>(letter));
    for (int i = 0; i < 500; i++)
        LogLine("%s", text.c_str());
    return 0;
}

// The threads that log share the line's buffers: each line comes out whole.
TEST(SetupLog, LinesOfTwoThreadsAtOnceStayWhole)
{
    char path[MAX_PATH];
    GetTempPathA(MAX_PATH, path);
    std::string file = std::string(path) + "two threads.log";
    DeleteFileA(file.c_str());
    ASSERT_TRUE(OpenSetupLog(file.c_str()));
    HANDLE threads[] = {CreateThread(nullptr, 0, LogLinesOf, const_cast<char*>("a"), CREATE_SUSPENDED, nullptr),
                        CreateThread(nullptr, 0, LogLinesOf, const_cast<char*>("b"), CREATE_SUSPENDED, nullptr)};
    ResumeThread(threads[0]);
    ResumeThread(threads[1]);
    WaitForMultipleObjects(2, threads, TRUE, 60000);
    CloseHandle(threads[0]);
    CloseHandle(threads[1]);
    CloseSetupLog();
    std::string log;
    {
        std::ifstream in(file, std::ios::binary);
        log.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    DeleteFileA(file.c_str());
    int whole[2] = {0, 0};
    const size_t stamp = sizeof "2026-12-09 12:00:00.000 " - 1;
    for (size_t at = 0, end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2) {
        std::string text = log.substr(at + stamp, end - at - stamp);
        if (text == std::string(1000, 'a') || text == std::string(1000, 'b'))
            whole[text[0] - 'a']++;
    }
    EXPECT_EQ(500, whole[0]);
    EXPECT_EQ(500, whole[1]);
    EXPECT_EQ(1000 * (stamp + 1002), log.size());
}

} // namespace
