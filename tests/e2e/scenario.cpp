#include "scenario.h"

#include <cstdio>
#include <cstring>
#include <fstream>

#include "core/product_tables.h"
#include "core/space.h"
#include "screenshot.h"

const char kWelcome[] = "Welcome!";
const char kDestination[] = "Destination directory";
const char kReplace[] = "Replace old installation";
const char kReady[] = "Ready to install";
const char kCopying[] = "Copying files";
const char kRegistry[] = "Updating registry";
const char kIcons[] = "Installing icons";
const char kComplete[] = "Installation complete";
const char kNotCompleted[] = "Installation not completed";
const char kOsMismatch[] = "Operating system mismatch";

const char kReaderTrace[] = "kova_reader_trace.txt";
const char kUninstallTrace[] = "kova_uninstal_trace.txt";
const char kOpenTrace[] = "kova_e2e_open_trace.txt";

const char SetupScenario::kSetupDir[] = "C:\\kova_e2e\\cd\\setup";

namespace {

// The long name the installer gives a row of the file table, or nullptr.
const char* LongName(int row)
{
    for (const LongFileName& name : ProductLongNames)
        if (name.Row == row)
            return name.Name;
    return nullptr;
}

std::string ScreensDir()
{
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = WindowsPath(KOVA_E2E_SCREENS);
    if (info)
        dir += std::string("\\") + info->test_suite_name() + "." + info->name();
    return dir;
}

}  // namespace

std::vector<PayloadFile> PayloadFiles()
{
    std::vector<PayloadFile> files;
    std::string stage = WindowsPath(KOVA_PAYLOAD_STAGE);
    // kovapack's rows of the payload list: stored name, source as listed, path.
    std::ifstream rows(WindowsPath(KOVA_PAYLOAD_ROWS));
    std::string line;
    int row = 0;
    while (std::getline(rows, line)) {
        size_t name = line.find('\t');
        size_t source = line.find('\t', name + 1);
        std::string stored = line.substr(0, name);
        std::string listed = line.substr(name + 1, source - name - 1);
        const char* longName = LongName(row++);
        files.push_back({longName ? longName : stored, stage + "\\" + listed});
    }
    return files;
}

unsigned long SectorSize(char driveLetter)
{
    char root[] = {driveLetter, ':', '\\', '\0'};
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return 0;
    return bytesPerSector;
}

unsigned long RequiredBytesFor(unsigned long bytesPerSector)
{
    const int shift = AllocationShiftOf(bytesPerSector, 0);
    unsigned long total = 0;
    for (const PayloadFile& file : PayloadFiles()) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExA(file.stagedPath.c_str(), GetFileExInfoStandard, &data))
            return 0;
        total += RoundToAllocation(data.nFileSizeLow, shift);
    }
    return total;
}

std::string Megabytes(uint32_t bytes)
{
    char text[32];
    FormatMegabytes(bytes, text, sizeof text);
    return text;
}

std::string AvailableText(char driveLetter)
{
    char root[] = {driveLetter, ':', '\\', '\0'};
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, clusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return "n/a";
    unsigned long long bytes = 1ull * sectorsPerCluster * bytesPerSector * freeClusters;
    return bytes >= 0x80000000ull ? "> 2 GB" : Megabytes(static_cast<uint32_t>(bytes));
}

void SetupScenario::SetUp()
{
    CloseGroupWindows(0);
    CleanSystem();
    MakeDirectories(kSetupDir);
    html_.Redirect();
}

void SetupScenario::TearDown()
{
    setup_.Kill();
    for (HANDLE process : others_) {
        TerminateProcess(process, 99);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
    others_.clear();
    html_.Restore();
    // KOVA_E2E_KEEP=1 leaves what the last scenario installed, to look at.
    if (!GetEnvironmentVariableA("KOVA_E2E_KEEP", nullptr, 0)) {
        CleanSystem();
        RemoveTree(kScratchRoot);
    }
}

::testing::AssertionResult SetupScenario::StartSetup(const std::vector<std::string>& environment)
{
    SetupOptions options;
    options.currentDir = kSetupDir;
    options.environment = {std::string("TEMP=") + kScratchTemp, std::string("TMP=") + kScratchTemp,
                           std::string("UserProfile=") + kScratchProfile};
    options.environment.insert(options.environment.end(), environment.begin(), environment.end());
    bool libraryGiven = false;
    for (const std::string& entry : environment)
        libraryGiven = libraryGiven || _strnicmp(entry.c_str(), "KOVAWIN_LIB=", 12) == 0;
    if (!libraryGiven)
        options.unsetNames = {"KOVAWIN_LIB"};
    if (!setup_.Start(options))
        return ::testing::AssertionFailure() << "setup.exe did not start: " << setup_.error();
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SetupScenario::OnPage(const char* title, DWORD timeoutMs)
{
    std::string seen;
    HWND box = nullptr;
    bool ended = false;
    bool reached = WaitUntil([&] {
        seen = setup_.PageTitle();
        if (seen == title && IsWindowVisible(setup_.Page()))
            return true;
        std::vector<HWND> boxes = setup_.MessageBoxes();
        box = boxes.empty() ? nullptr : boxes.front();
        ended = !setup_.Running();
        return box != nullptr || ended || seen == kNotCompleted;
    }, timeoutMs) && seen == title;
    if (reached) {
        Shot(title);
        return ::testing::AssertionSuccess();
    }
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "waiting for the page \"" << title << "\": ";
    if (box)
        failure << "a message box says \"" << setup_.MessageBoxText(box) << "\"";
    else if (ended)
        failure << "setup.exe ended (exit code " << setup_.ExitCode() << ")";
    else if (seen == kNotCompleted) {
        failure << "the error page says \"" << setup_.ItemText(IDC_ERROR_TEXT) << "\"";
        Shot(kNotCompleted);
    }
    else
        failure << "still on \"" << seen << "\" after " << timeoutMs << " ms";
    return failure;
}

::testing::AssertionResult SetupScenario::Press(int buttonId, const char* nextTitle, DWORD timeoutMs)
{
    if (!setup_.Enabled(buttonId))
        return ::testing::AssertionFailure() << "button " << buttonId << " is disabled on \"" << setup_.PageTitle()
                                             << "\"";
    HWND before = setup_.Page();
    setup_.ClickMain(buttonId);
    // The same title may come back on a new page window (Back and Next again).
    WaitUntil([&] { return setup_.Page() != before || !setup_.MessageBoxes().empty(); }, timeoutMs);
    return OnPage(nextTitle, timeoutMs);
}

::testing::AssertionResult SetupScenario::WalkToDestination()
{
    ::testing::AssertionResult result = OnPage(kWelcome);
    if (!result)
        return result;
    return Press(IDC_NEXT, kDestination);
}

::testing::AssertionResult SetupScenario::WalkToReady(const char* dir)
{
    setup_.SetPageItemText(IDC_DIRECTORY, dir);
    if (!setup_.Enabled(IDC_NEXT))
        return ::testing::AssertionFailure() << "Next is off on the destination page for " << dir << " (available "
                                             << setup_.ItemText(IDC_AVAILABLE_SIZE) << ")";
    HWND before = setup_.Page();
    setup_.ClickMain(IDC_NEXT);
    std::string seen;
    WaitUntil([&] {
        seen = setup_.PageTitle();
        return (setup_.Page() != before && (seen == kReady || seen == kReplace)) || !setup_.MessageBoxes().empty();
    }, 10000);
    if (seen == kReplace) {
        ::testing::AssertionResult result = OnPage(kReplace);
        if (!result)
            return result;
        return Press(IDC_NEXT, kReady);
    }
    return OnPage(kReady);
}

::testing::AssertionResult SetupScenario::WalkToCompletion()
{
    if (!setup_.Enabled(IDC_NEXT))
        return ::testing::AssertionFailure() << "Next is off on \"" << setup_.PageTitle() << "\"";
    setup_.ClickMain(IDC_NEXT);
    return FollowWorkPages();
}

::testing::AssertionResult SetupScenario::FollowWorkPages(std::vector<std::string>* seenPages)
{
    // The work pages pass by themselves; catch each one that stays long
    // enough to be seen.
    const char* workPages[] = {kCopying, kRegistry, kIcons};
    bool shot[3] = {false, false, false};
    std::string seen;
    WaitUntil([&] {
        seen = setup_.PageTitle();
        if (seenPages && !seen.empty() && (seenPages->empty() || seenPages->back() != seen))
            seenPages->push_back(seen);
        for (int i = 0; i < 3; ++i)
            if (!shot[i] && seen == workPages[i]) {
                shot[i] = true;
                Shot(workPages[i]);
            }
        return seen == kComplete || seen == kNotCompleted || !setup_.MessageBoxes().empty() || !setup_.Running();
    }, 120000);
    return OnPage(kComplete, 1000);
}

::testing::AssertionResult SetupScenario::InstallTo(const char* dir, const std::vector<std::string>& environment)
{
    ::testing::AssertionResult result = StartSetup(environment);
    if (result)
        result = WalkToDestination();
    if (result)
        result = WalkToReady(dir);
    if (result)
        result = WalkToCompletion();
    return result;
}

::testing::AssertionResult SetupScenario::ExitsWithoutQuestion(DWORD timeoutMs)
{
    std::string question;
    bool ended = WaitUntil([&] {
        std::vector<HWND> boxes = setup_.MessageBoxes();
        if (!boxes.empty()) {
            question = setup_.MessageBoxText(boxes.front());
            return true;
        }
        return !setup_.Running();
    }, timeoutMs);
    if (!question.empty())
        return ::testing::AssertionFailure() << "a message box asks \"" << question << "\"";
    if (!ended)
        return ::testing::AssertionFailure() << "setup.exe still runs after " << timeoutMs << " ms, on \""
                                             << setup_.PageTitle() << "\"";
    return ::testing::AssertionSuccess();
}

bool SetupScenario::WaitForCopyStart()
{
    DWORD start = GetTickCount();
    while (GetTickCount() - start < 10000) {
        char title[64] = "";
        GetWindowTextA(GetDlgItem(setup_.Page(), IDC_PAGE_TITLE), title, sizeof(title));
        if (std::string(title) == kCopying && !setup_.Enabled(IDC_NEXT))
            return true;
        Sleep(0);
    }
    return false;
}

void SetupScenario::ShotOf(HWND window, const char* name)
{
    std::string dir = screensDir_.empty() ? ScreensDir() : screensDir_;
    if (shots_ == 0 && screensDir_.empty())
        RemoveTree(dir);   // shots of an earlier run of this test
    MakeDirectories(dir);
    char file[64];
    std::snprintf(file, sizeof(file), "\\%02d-", ++shots_);
    std::string path = dir + file;
    for (const char* p = name; *p; ++p)
        path += (isalnum(static_cast<unsigned char>(*p)) ? static_cast<char>(tolower(*p)) : '_');
    path += ".png";
    Sleep(300);   // let the new page paint
    SaveWindowPng(window, path);
}

void SetupScenario::PutReaderStub()
{
    MakeDirectories("C:\\kova_e2e\\cd\\acrobat");
    ASSERT_TRUE(CopyOneFile(WindowsPath(KOVA_READER_STUB), "C:\\kova_e2e\\cd\\acrobat\\rs405eng.exe"));
}
