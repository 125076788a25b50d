// --screens DIR: one walk through every page the driver can reach, saving a
// screenshot of each (and of the message boxes on the way) into DIR.
#include <cstdio>

#include "scenario.h"

namespace {

class ScreensWalk : public SetupScenario {
public:
    explicit ScreensWalk(const std::string& dir) { screensDir_ = dir; }
    void TestBody() override {}

    int Run()
    {
        int failures = 0;
        SetUp();
        failures += Report("wizard walk", Walk());
        TearDown();
        SetUp();
        failures += Report("running product", RunningMessage());
        TearDown();
        SetUp();
        failures += Report("abort during copy", AbortedCopy());
        TearDown();
        SetUp();
        failures += Report("operating system mismatch", OsMismatch());
        TearDown();
        std::printf("screens: %d shots in %s, %d part(s) failed\n", shots_, screensDir_.c_str(), failures);
        return failures ? 1 : 0;
    }

private:
    static int Report(const char* part, const ::testing::AssertionResult& result)
    {
        std::printf("%s: %s %s\n", part, result ? "ok" : "FAILED", result ? "" : result.message());
        return result ? 0 : 1;
    }

    ::testing::AssertionResult Walk()
    {
        const std::string oldDir = "C:\\kova_e2e\\old kova";
        MakeDirectories(oldDir);
        WriteWholeFile(oldDir + "\\kova.exe", "old program");
        PutReaderStub();
        ::testing::AssertionResult r = StartSetup();
        if (r) r = WalkToDestination();
        if (!r) return r;
        setup_.SetPageItemText(IDC_DIRECTORY, "\\\\server\\share\\KOVA");
        Shot("destination network path");
        setup_.SetPageItemText(IDC_DIRECTORY, "C:\\kova_e2e\\fits");
        setup_.SetPageItemText(IDC_DIRECTORY, "A:\\KOVA");
        r = Press(IDC_NEXT, kDestination);
        if (!r) return r;
        // The new page measured A: (nothing); the same drive as the last
        // typed one is not measured again, so pass by another drive.
        setup_.SetPageItemText(IDC_DIRECTORY, "Z:\\kova_e2e_other");
        setup_.SetPageItemText(IDC_DIRECTORY, oldDir.c_str());
        r = Press(IDC_NEXT, kReplace);
        if (r) r = Press(IDC_NEXT, kReady);
        if (r) r = WalkToCompletion();
        if (!r) return r;
        setup_.ClickPage(IDC_READER_CHECK);
        Shot("completion ticked");
        setup_.ClickPage(IDC_READER_CHECK);
        setup_.ClickMain(IDC_EXIT);
        return ExitsWithoutQuestion();
    }

    ::testing::AssertionResult RunningMessage()
    {
        HANDLE kova = StartProgram("\"" + WindowsPath(KOVA_PAYLOAD_STAGE) + "\\kovamain.exe\"", nullptr);
        if (!kova)
            return ::testing::AssertionFailure() << "kovamain.exe did not start";
        others_.push_back(kova);
        WaitUntil([] { return FindWindowA("KOVAMAIN", nullptr) != nullptr; }, 10000);
        ::testing::AssertionResult r = StartSetup();
        if (r) r = WalkToDestination();
        if (!r) return r;
        setup_.SetPageItemText(IDC_DIRECTORY, "C:\\kova_e2e\\running");
        setup_.ClickMain(IDC_NEXT);
        HWND box = setup_.WaitForMessageBox(10000);
        if (!box)
            return ::testing::AssertionFailure() << "no message box";
        Sleep(300);
        ShotOf(box, "message running");
        setup_.Answer(box, IDOK);
        return ::testing::AssertionSuccess();
    }

    ::testing::AssertionResult AbortedCopy()
    {
        ::testing::AssertionResult r = StartSetup();
        if (r) r = WalkToDestination();
        if (r) r = WalkToReady("C:\\kova_e2e\\aborted");
        if (!r) return r;
        setup_.ClickMain(IDC_NEXT);
        if (!WaitForCopyStart())
            return ::testing::AssertionFailure() << "no copy page";
        setup_.ClickMain(IDC_EXIT);
        HWND box = setup_.WaitForMessageBox(20000);
        if (!box)
            return ::testing::AssertionFailure() << "no stop question (on \"" << setup_.PageTitle() << "\")";
        Sleep(300);
        ShotOf(box, "message stop question");
        setup_.Answer(box, IDYES);
        return OnPage(kNotCompleted);
    }

    ::testing::AssertionResult OsMismatch()
    {
        if (!SetWindowsVersion("win31"))
            return ::testing::AssertionFailure() << "cannot set the Windows version win31";
        ::testing::AssertionResult r = StartSetup();
        if (r) r = OnPage(kOsMismatch);
        setup_.Kill();
        SetWindowsVersion(nullptr);
        return r;
    }
};

}  // namespace

int RunScreensWalk(const std::string& dir)
{
    std::string windowsDir = dir[0] == '/' ? WindowsPath(dir.c_str()) : dir;
    MakeDirectories(windowsDir);
    ScreensWalk walk(windowsDir);
    return walk.Run();
}
