// The scenarios: each starts the real setup.exe on a clean system, walks it
// like a user and checks the windows and what the installer left behind.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "desktop_hold.h"
#include "scenario.h"

namespace {

const char kRunningText[] =
    "A copy of KOVA is already running. Please close the application before continuing with the installation.";
const char kCannotCreateText[] =
    "The destination directory does not exist and cannot be created! Check and try again.";
const char kFirstFormText[] = "Define the directory where all files should be copied to.";

// What an installation leaves in the registry and the Start menu, to tell
// "nothing changed" from "something was installed".
struct Footprint {
    bool productKey;
    bool uninstall171;
    bool fileType;
    bool group;
};

Footprint TakeFootprint()
{
    Footprint f = {KeyExists(HKEY_LOCAL_MACHINE, VendorKey),
                   KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 17.1").c_str()),
                   KeyExists(HKEY_CLASSES_ROOT, ".kvx") || KeyExists(HKEY_CLASSES_ROOT, "kvxfile"), false};
    for (const std::string& folder : ProgramsFolders())
        f.group = f.group || DirectoryExists(folder + "\\KOVAwin");
    return f;
}

void ExpectNothingInstalled()
{
    Footprint f = TakeFootprint();
    EXPECT_FALSE(f.productKey) << "HKLM\\SOFTWARE\\Brannvik was written";
    EXPECT_FALSE(f.uninstall171) << "the KOVA 17.1 uninstall entry was written";
    EXPECT_FALSE(f.fileType) << ".kvx or kvxfile was written";
    EXPECT_FALSE(f.group) << "the KOVAwin program group was created";
}

// An earlier copy of the product in `dir`: a main program file and, when
// asked, the demo uninstaller beside it.
void PlantOldCopy(const std::string& dir, const char* program, bool withUninstaller)
{
    ASSERT_TRUE(MakeDirectories(dir + "\\data"));
    ASSERT_TRUE(WriteWholeFile(dir + "\\" + program, "old program"));
    ASSERT_TRUE(WriteWholeFile(dir + "\\readme.txt", "old readme"));
    ASSERT_TRUE(WriteWholeFile(dir + "\\data\\library.kvx", "old library"));
    if (withUninstaller) {
        ASSERT_TRUE(CopyOneFile(WindowsPath(KOVA_PAYLOAD_STAGE) + "\\uninstal.exe", dir + "\\uninstal.exe"));
    }
}

// The cells of the first table row of this tree's changes.md (docs/changes.md
// for the 32-bit tree, changes_doc_current shows) that has every one of
// `having`, code quotes taken off and <destination> made `dest`.
std::vector<std::string> ChangesRow(const std::vector<std::string>& having, const std::string& dest)
{
    std::string page;
    EXPECT_TRUE(ReadWholeFile(WindowsPath(KOVA_CHANGES_PAGE), &page));
    std::istringstream lines(page);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty() || line[0] != '|')
            continue;
        std::vector<std::string> cells;
        std::istringstream row(line.substr(1));
        for (std::string cell; std::getline(row, cell, '|');) {
            cell = cell.size() > 1 ? cell.substr(1, cell.size() - 2) : "";
            if (cell.size() > 1 && cell.front() == '`' && cell.back() == '`')
                cell = cell.substr(1, cell.size() - 2);
            for (size_t at; (at = cell.find("<destination>")) != std::string::npos;)
                cell.replace(at, 13, dest);
            cells.push_back(cell);
        }
        if (std::all_of(having.begin(), having.end(), [&](const std::string& text) {
                return std::find(cells.begin(), cells.end(), text) != cells.end();
            }))
            return cells;
    }
    ADD_FAILURE() << KOVA_CHANGES_PAGE " has no row with " << having.front();
    return {""};
}

void PlantOldUninstallKeys()
{
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 15.0").c_str(), "DisplayName", "KOVA 15.0"));
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 16.1").c_str(), "DisplayName", "KOVA 16.1"));
}

}  // namespace

// --- Navigation -----------------------------------------------------------

class Navigation : public SetupScenario {};

TEST_F(Navigation, ExitOnEachQuestionPageClosesAtOnce)
{
    const char* pages[] = {kWelcome, kDestination, kReplace, kReady};
    const std::string oldDir = "C:\\kova_e2e\\old copy";
    for (const char* page : pages) {
        SCOPED_TRACE(page);
        CleanSystem();
        MakeDirectories(kSetupDir);
        PlantOldCopy(oldDir, "kova.exe", true);
        PlantOldUninstallKeys();
        ASSERT_TRUE(StartSetup());
        ASSERT_TRUE(OnPage(kWelcome));
        if (page != kWelcome) {
            ASSERT_TRUE(Press(IDC_NEXT, kDestination));
        }
        if (page == kReplace) {
            setup_.SetPageItemText(IDC_DIRECTORY, oldDir.c_str());
            ASSERT_TRUE(Press(IDC_NEXT, kReplace));
        }
        if (page == kReady) {
            ASSERT_TRUE(WalkToReady(kDefaultDestination));
        }
        EXPECT_EQ("Exit", WindowText(setup_.Button(IDC_EXIT)));
        setup_.ClickMain(IDC_EXIT);
        ASSERT_TRUE(ExitsWithoutQuestion());
        EXPECT_EQ(1602u, setup_.ExitCode()) << "stopped by the user";
        setup_.Kill();

        ExpectNothingInstalled();
        EXPECT_TRUE(FileExists(oldDir + "\\kova.exe")) << "the old copy was touched";
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 15.0").c_str()));
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 16.1").c_str()));
        EXPECT_EQ("", ReadTrace(kUninstallTrace));
        // Only leaving the destination page creates the directory, and then empty.
        if (page == kReady)
            EXPECT_TRUE(ListDirectory(kDefaultDestination).empty());
        else
            EXPECT_FALSE(DirectoryExists(kDefaultDestination));
    }
}

TEST_F(Navigation, WelcomeDestinationBackAndNextAgain)
{
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(OnPage(kWelcome));
    EXPECT_EQ("XBRT 550 713/2 R17B", setup_.ItemText(IDC_PRODUCT_IDENTITY));
    EXPECT_FALSE(setup_.Enabled(IDC_BACK));
    EXPECT_TRUE(setup_.Enabled(IDC_NEXT));
    EXPECT_EQ("Exit", WindowText(setup_.Button(IDC_EXIT)));

    ASSERT_TRUE(Press(IDC_NEXT, kDestination));
    EXPECT_TRUE(setup_.PageHasText(kFirstFormText));
    EXPECT_TRUE(setup_.Enabled(IDC_BACK));
    EXPECT_TRUE(setup_.Enabled(IDC_NEXT));

    ASSERT_TRUE(Press(IDC_BACK, kWelcome));
    EXPECT_FALSE(setup_.Enabled(IDC_BACK));
    ASSERT_TRUE(Press(IDC_NEXT, kDestination));
    EXPECT_EQ(kDefaultDestination, setup_.ItemText(IDC_DIRECTORY));

    // No older copy in the directory: the ready page follows directly, without Back.
    ASSERT_TRUE(Press(IDC_NEXT, kReady));
    EXPECT_FALSE(setup_.Enabled(IDC_BACK));
    EXPECT_TRUE(setup_.Enabled(IDC_NEXT));
    EXPECT_TRUE(DirectoryExists(kDefaultDestination));
}

// --- Destination page -----------------------------------------------------

class Destination : public SetupScenario {};

TEST_F(Destination, ProposesTheEarlierInstallationsDirectory)
{
    ASSERT_TRUE(WriteString(HKEY_LOCAL_MACHINE, ProductAppPathsKey, nullptr, "C:\\Tools\\KOVA\\kovamain.exe"));
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    EXPECT_EQ("C:\\Tools\\KOVA", setup_.ItemText(IDC_DIRECTORY));
    EXPECT_EQ(Megabytes(RequiredBytesFor(SectorSize('C'))), setup_.ItemText(IDC_REQUIRED_SIZE));
    EXPECT_EQ(AvailableText('C'), setup_.ItemText(IDC_AVAILABLE_SIZE));
}

TEST_F(Destination, ShowsSizesAndKeepsNextOffWhileThePayloadDoesNotFit)
{
    ASSERT_NE(0u, SectorSize('S')) << "no drive S: (the e2e_drives_setup fixture mounts it)";
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    EXPECT_EQ(kDefaultDestination, setup_.ItemText(IDC_DIRECTORY));
    const std::string required = Megabytes(RequiredBytesFor(SectorSize('C')));
    EXPECT_EQ(required, setup_.ItemText(IDC_REQUIRED_SIZE));
    ASSERT_EQ("> 2 GB", AvailableText('C')) << "the scenario needs more than 2 GB free on C:";
    EXPECT_EQ("> 2 GB", setup_.ItemText(IDC_AVAILABLE_SIZE));
    EXPECT_TRUE(setup_.Enabled(IDC_NEXT));

    setup_.SetPageItemText(IDC_DIRECTORY, "\\\\server\\share\\KOVA");
    EXPECT_EQ("n/a", setup_.ItemText(IDC_AVAILABLE_SIZE));
    EXPECT_FALSE(setup_.Enabled(IDC_NEXT));
    EXPECT_TRUE(setup_.Enabled(IDC_BACK));
    EXPECT_TRUE(setup_.Enabled(IDC_EXIT));
    EXPECT_EQ(IDC_BACK, setup_.DefaultButton()) << "Back is the default button while Next is off";
    Shot("network path");

    setup_.SetPageItemText(IDC_DIRECTORY, "S:\\KOVA");
    EXPECT_EQ(AvailableText('S'), setup_.ItemText(IDC_AVAILABLE_SIZE));
    EXPECT_NE("> 2 GB", setup_.ItemText(IDC_AVAILABLE_SIZE));
    EXPECT_EQ(required, setup_.ItemText(IDC_REQUIRED_SIZE));
    EXPECT_FALSE(setup_.Enabled(IDC_NEXT)) << "the payload (" << required << ") does not fit into "
                                    << setup_.ItemText(IDC_AVAILABLE_SIZE);
    Shot("small drive");

    setup_.SetPageItemText(IDC_DIRECTORY, "C:\\kova_e2e\\fits");
    EXPECT_EQ("> 2 GB", setup_.ItemText(IDC_AVAILABLE_SIZE));
    EXPECT_TRUE(setup_.Enabled(IDC_NEXT));
    EXPECT_EQ(IDC_NEXT, setup_.DefaultButton());
}

TEST_F(Destination, UnmappedDriveShowsNotAvailable)
{
    char letter = 0;
    for (char c = 'Y'; c >= 'D' && !letter; --c) {
        char root[] = {c, ':', '\\', '\0'};
        if (GetDriveTypeA(root) == DRIVE_NO_ROOT_DIR)
            letter = c;
    }
    ASSERT_NE(0, letter) << "every drive letter is mapped";
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    std::string path = std::string(1, letter) + ":\\KOVA";
    setup_.SetPageItemText(IDC_DIRECTORY, path.c_str());
    EXPECT_EQ("n/a", setup_.ItemText(IDC_AVAILABLE_SIZE)) << path;
    EXPECT_FALSE(setup_.Enabled(IDC_NEXT));
}

TEST_F(Destination, DirectoryThatCannotBeCreatedBringsTheSecondFormUntilTheNextLeave)
{
    const std::string oldDir = "C:\\kova_e2e\\old copy";
    PlantOldCopy(oldDir, "kova.exe", false);
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    // A: is never measured, so the figures of C: and Next stay; A: has no mapping.
    setup_.SetPageItemText(IDC_DIRECTORY, "A:\\KOVA");
    EXPECT_EQ("> 2 GB", setup_.ItemText(IDC_AVAILABLE_SIZE));
    ASSERT_TRUE(setup_.Enabled(IDC_NEXT));
    ASSERT_TRUE(Press(IDC_NEXT, kDestination));
    EXPECT_TRUE(setup_.PageHasText(kCannotCreateText));
    EXPECT_FALSE(setup_.PageHasText(kFirstFormText));
    EXPECT_EQ("A:\\KOVA", setup_.ItemText(IDC_DIRECTORY));

    // The new page measures the drive of A:\KOVA: nothing there.
    EXPECT_EQ("n/a", setup_.ItemText(IDC_AVAILABLE_SIZE));
    EXPECT_FALSE(setup_.Enabled(IDC_NEXT));

    // A path in quotes is measured on the drive after the quote (Z:, another
    // drive than the last one measured) but cannot be made either.
    setup_.SetPageItemText(IDC_DIRECTORY, "\"Z:\\kova_e2e_quoted");
    EXPECT_EQ("> 2 GB", setup_.ItemText(IDC_AVAILABLE_SIZE));
    ASSERT_TRUE(Press(IDC_NEXT, kDestination));
    EXPECT_TRUE(setup_.PageHasText(kCannotCreateText));
    EXPECT_EQ("\"Z:\\kova_e2e_quoted", setup_.ItemText(IDC_DIRECTORY));
    // A plain path on that same drive lets the user go on from here.
    setup_.SetPageItemText(IDC_DIRECTORY, "Z:\\kova_e2e_plain");
    EXPECT_TRUE(setup_.Enabled(IDC_NEXT));
    Shot("plain path after a quoted one");

    setup_.SetPageItemText(IDC_DIRECTORY, oldDir.c_str());
    ASSERT_TRUE(Press(IDC_NEXT, kReplace));
    ASSERT_TRUE(Press(IDC_BACK, kDestination));
    EXPECT_TRUE(setup_.PageHasText(kFirstFormText));
    EXPECT_FALSE(setup_.PageHasText(kCannotCreateText));
}

TEST_F(Destination, LongestDestinationInstallsCompletelyAndOneMoreCharacterIsRefused)
{
    // Every file's path within 259 characters: the longest name is
    // "Getting Started with KOVA.html" (30), so the directory may have 228.
    const std::string base = std::string(kScratchRoot) + "\\";
    const std::string longest = base + std::string(228 - base.size(), 'd');
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    setup_.SetPageItemText(IDC_DIRECTORY, (longest + "e").c_str());
    setup_.ClickMain(IDC_NEXT);
    HWND box = setup_.WaitForMessageBox(10000);
    ASSERT_NE(nullptr, box) << "a destination too long for the files was let through";
    EXPECT_EQ("The destination directory is too long. Please choose a directory of at most 228 characters.",
              setup_.MessageBoxText(box));
    ShotOf(box, "destination too long");
    setup_.Answer(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return setup_.MessageBoxes().empty(); }, 5000));
    EXPECT_EQ(kDestination, setup_.PageTitle());
    EXPECT_FALSE(DirectoryExists(longest + "e"));

    ASSERT_TRUE(WalkToReady(longest.c_str()));
    ASSERT_TRUE(WalkToCompletion());
    for (const PayloadFile& file : PayloadFiles()) {
        std::string installed, staged;
        EXPECT_TRUE(ReadWholeFile(longest + "\\" + file.installedName, &installed) &&
                    ReadWholeFile(file.stagedPath, &staged) && installed == staged)
            << file.installedName << " missing or different";
    }
}

// --- Running product --------------------------------------------------------

class RunningProduct : public SetupScenario {};

TEST_F(RunningProduct, NextOnTheDestinationPageSaysSoAndStays)
{
    std::string program = "\"" + WindowsPath(KOVA_PAYLOAD_STAGE) + "\\kovamain.exe\"";
    HANDLE kova = StartProgram(program, nullptr);
    ASSERT_NE(nullptr, kova) << program;
    others_.push_back(kova);
    ASSERT_TRUE(WaitUntil([] { return FindWindowA("KOVAMAIN", nullptr) != nullptr; }, 10000))
        << "the demo kovamain.exe shows no KOVAMAIN window";

    const std::string dir = "C:\\kova_e2e\\new dir\\KOVA";
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    setup_.SetPageItemText(IDC_DIRECTORY, dir.c_str());
    HWND page = setup_.Page();
    setup_.ClickMain(IDC_NEXT);
    HWND box = setup_.WaitForMessageBox(10000);
    ASSERT_NE(nullptr, box) << "no message box after Next while KOVA runs";
    EXPECT_EQ(kRunningText, setup_.MessageBoxText(box));
    EXPECT_EQ("Install", WindowText(box));
    ShotOf(box, "running message");
    setup_.Answer(box, IDOK);
    ASSERT_TRUE(WaitUntil([&] { return setup_.MessageBoxes().empty(); }, 5000));
    EXPECT_EQ(page, setup_.Page()) << "the destination page was left or rebuilt";
    EXPECT_EQ(kDestination, setup_.PageTitle());
    EXPECT_TRUE(DirectoryExists(dir)) << "the directory made before the check should stay";

    // Once the product is closed, Next goes on.
    PostMessageA(FindWindowA("KOVAMAIN", nullptr), WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntil([] { return FindWindowA("KOVAMAIN", nullptr) == nullptr; }, 10000));
    ASSERT_TRUE(Press(IDC_NEXT, kReady));
}

// --- Replace page -------------------------------------------------------------

class Replace : public SetupScenario {};

TEST_F(Replace, ChoiceSurvivesBackAndAgreeingRunsTheOldUninstaller)
{
    const std::string oldDir = "C:\\kova_e2e\\old kova";
    PlantOldCopy(oldDir, "kova.exe", true);
    PlantOldUninstallKeys();
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    setup_.SetPageItemText(IDC_DIRECTORY, oldDir.c_str());
    ASSERT_TRUE(Press(IDC_NEXT, kReplace));
    EXPECT_TRUE(setup_.Checked(IDC_REPLACE));
    EXPECT_FALSE(setup_.Checked(IDC_KEEP));
    EXPECT_TRUE(setup_.Enabled(IDC_NEXT));
    EXPECT_TRUE(setup_.Enabled(IDC_BACK));

    setup_.ClickPage(IDC_KEEP);
    ASSERT_TRUE(WaitUntil([&] { return !setup_.Enabled(IDC_NEXT); }, 5000)) << "Next stays on after No";
    EXPECT_TRUE(setup_.Enabled(IDC_BACK));
    EXPECT_TRUE(setup_.Enabled(IDC_EXIT));

    ASSERT_TRUE(Press(IDC_BACK, kDestination));
    ASSERT_TRUE(Press(IDC_NEXT, kReplace));
    ASSERT_TRUE(WaitUntil([&] { return setup_.Checked(IDC_KEEP) && !setup_.Enabled(IDC_NEXT); }, 5000))
        << "the No choice did not survive Back";
    EXPECT_FALSE(setup_.Checked(IDC_REPLACE));

    setup_.ClickPage(IDC_REPLACE);
    ASSERT_TRUE(WaitUntil([&] { return setup_.Enabled(IDC_NEXT); }, 5000)) << "Next stays off after Yes";
    ASSERT_TRUE(Press(IDC_NEXT, kReady));
    EXPECT_FALSE(setup_.Enabled(IDC_BACK)) << "the ready page offers Back";

    std::string trace = WaitForTrace(kUninstallTrace, 15000);
    ASSERT_NE("", trace) << "uninstal.exe left no trace";
    // Wine puts the program path it found in quotes itself; the setup passes it bare.
    EXPECT_NE(std::string::npos, trace.find(oldDir + "\\uninstal.exe")) << trace;
    EXPECT_NE(std::string::npos, trace.find(" -s] dir=[" + oldDir + "]")) << trace;
    EXPECT_NE(std::string::npos, trace.find("silent=1")) << trace;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 15.0").c_str()));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 16.1").c_str()));
    EXPECT_TRUE(FileExists(oldDir + "\\kova.exe")) << "with an uninstaller the files are its affair";
}

TEST_F(Replace, WithoutUninstallerTheFilesInTheDirectoryGo)
{
    const std::string oldDir = "C:\\kova_e2e\\old main";
    PlantOldCopy(oldDir, "kovamain.exe", false);
    PlantOldUninstallKeys();
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    setup_.SetPageItemText(IDC_DIRECTORY, oldDir.c_str());
    ASSERT_TRUE(Press(IDC_NEXT, kReplace));
    ASSERT_TRUE(Press(IDC_NEXT, kReady));
    EXPECT_FALSE(FileExists(oldDir + "\\kovamain.exe"));
    EXPECT_FALSE(FileExists(oldDir + "\\readme.txt"));
    EXPECT_TRUE(FileExists(oldDir + "\\data\\library.kvx")) << "subdirectories stay";
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 15.0").c_str()));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 16.1").c_str()));
    EXPECT_EQ("", ReadTrace(kUninstallTrace));
}

TEST_F(Replace, DirectoryNamedLikeTheProgramIsNoOldCopy)
{
    const std::string dir = "C:\\kova_e2e\\not old";
    ASSERT_TRUE(MakeDirectories(dir + "\\kova.exe"));
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    setup_.SetPageItemText(IDC_DIRECTORY, dir.c_str());
    ASSERT_TRUE(Press(IDC_NEXT, kReady));
}

// --- Operating systems ------------------------------------------------------------

class OperatingSystem : public SetupScenario {
protected:
    void TearDown() override
    {
        SetupScenario::TearDown();
        SetWindowsVersion(nullptr);
    }
};

TEST_F(OperatingSystem, SupportedVersionsStartOnTheWelcomePage)
{
    const struct {
        const char* name;
        const char* reported;
    } versions[] = {{"win95", "platform 1, 4.0"}, {"win98", "platform 1, 4.10"}, {"nt40", "platform 2, 4.0"},
                    {"win10", "platform 2, "}};
    for (const auto& version : versions) {
        SCOPED_TRACE(version.name);
        ASSERT_TRUE(SetWindowsVersion(version.name));
        ASSERT_EQ(0u, ReportedWindowsVersion().find(version.reported)) << ReportedWindowsVersion();
        ASSERT_TRUE(StartSetup());
        ASSERT_TRUE(OnPage(kWelcome));
        EXPECT_TRUE(setup_.Enabled(IDC_NEXT));
        setup_.ClickMain(IDC_EXIT);
        ASSERT_TRUE(ExitsWithoutQuestion());
        setup_.Kill();
    }
}

TEST_F(OperatingSystem, Win32sShowsTheMismatchPage)
{
    ASSERT_TRUE(SetWindowsVersion("win31"));
    ASSERT_EQ("platform 0, 3.10", ReportedWindowsVersion());
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(OnPage(kOsMismatch));
    EXPECT_FALSE(setup_.Enabled(IDC_NEXT));
    EXPECT_FALSE(setup_.Enabled(IDC_BACK));
    EXPECT_TRUE(setup_.Enabled(IDC_EXIT));
    EXPECT_EQ("Exit", WindowText(setup_.Button(IDC_EXIT)));
    setup_.ClickMain(IDC_EXIT);
    ASSERT_TRUE(ExitsWithoutQuestion());
    ExpectNothingInstalled();
}

// --- Completion page and full installation --------------------------------------------

class Installation : public SetupScenario {
protected:
    static std::string Guide(const char* dir)
    {
        return std::string(dir) + "\\Getting Started with KOVA.html";
    }
};

TEST_F(Installation, DefaultDestinationInstallsFilesRegistryLinksAndUserConfig)
{
    ASSERT_TRUE(InstallTo(kDefaultDestination));
    EXPECT_FALSE(setup_.Enabled(IDC_NEXT));
    EXPECT_FALSE(setup_.Enabled(IDC_BACK));
    EXPECT_EQ("Finish", WindowText(setup_.Button(IDC_EXIT)));
    EXPECT_FALSE(setup_.Visible(setup_.PageItem(IDC_READER_CHECK))) << "no reader beside the setup, yet its checkbox shows";

    const std::string dest = kDefaultDestination;
    for (const PayloadFile& file : PayloadFiles()) {
        SCOPED_TRACE(file.installedName);
        std::string installed, staged;
        ASSERT_TRUE(ReadWholeFile(dest + "\\" + file.installedName, &installed)) << "missing";
        ASSERT_TRUE(ReadWholeFile(file.stagedPath, &staged));
        EXPECT_TRUE(installed == staged) << "content differs";
        WIN32_FILE_ATTRIBUTE_DATA data;
        FILETIME local;
        SYSTEMTIME time;
        ASSERT_TRUE(GetFileAttributesExA((dest + "\\" + file.installedName).c_str(), GetFileExInfoStandard, &data));
        FileTimeToLocalFileTime(&data.ftLastWriteTime, &local);
        FileTimeToSystemTime(&local, &time);
        EXPECT_EQ(2015, time.wYear);
        EXPECT_EQ(5, time.wMonth);
        EXPECT_EQ(4, time.wDay);
        EXPECT_EQ(17, time.wHour);
        EXPECT_EQ(1, time.wMinute);
    }
    for (const std::string& name : ListDirectory(dest))
        EXPECT_NE('_', name.back()) << "compressed copy left behind: " << name;

    std::string value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ProductAppPathsKey, nullptr, &value));
    EXPECT_EQ(dest + "\\kovamain.exe", value);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ProductKey, nullptr, &value));
    EXPECT_EQ("XBRT 550 713/2 R17B", value);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, ".kvx", nullptr, &value));
    EXPECT_EQ("kvxfile", value);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, "kvxfile", nullptr, &value));
    EXPECT_EQ("KOVA Library", value);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, "kvxfile\\DefaultIcon", nullptr, &value));
    EXPECT_EQ(dest + "\\kovamain.exe,-599", value);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, "kvxfile\\Shell\\Open", nullptr, &value));
    EXPECT_EQ("&Open", value);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, "kvxfile\\Shell\\Open\\command", nullptr, &value));
    EXPECT_EQ("\"" + dest + "\\kovamain.exe\" \"%1\"", value);

    const std::string uninstall = UninstallKey("KOVA 17.1");
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, uninstall.c_str(), "DisplayName", &value));
    EXPECT_EQ("Kovalith 17.1", value);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, uninstall.c_str(), "UninstallString", &value));
    EXPECT_EQ("\"" + dest + "\\uninstal.exe\"", value);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, uninstall.c_str(), "DisplayIcon", &value));
    EXPECT_EQ(dest + "\\kovamain.exe", value);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, uninstall.c_str(), "Publisher", &value));
    EXPECT_EQ("Brannvik", value);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, uninstall.c_str(), "DisplayVersion", &value));
    EXPECT_EQ("17.1", value);
    DWORD size = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, uninstall.c_str(), "EstimatedSize", &size));
    EXPECT_EQ((RequiredBytesFor(SectorSize('C')) + 1023) / 1024, size);

    // changes.md tells administrators what the installer changes: its rows hold.
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ProductAppPathsKey, nullptr, &value));
    EXPECT_EQ(ChangesRow({"write", ProductAppPathsKey}, dest).back(), value);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, "kvxfile\\Shell\\Open\\command", nullptr, &value));
    EXPECT_EQ(ChangesRow({"write", std::string(MachineClassesKey) + "\\kvxfile\\Shell\\Open\\command"}, dest).back(), value);
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, uninstall.c_str(), "UninstallString", &value));
    EXPECT_EQ(ChangesRow({"write", "UninstallString"}, dest).back(), value);
    WIN32_FILE_ATTRIBUTE_DATA mainProgram;
    ASSERT_TRUE(GetFileAttributesExA((dest + "\\kovamain.exe").c_str(), GetFileExInfoStandard, &mainProgram));
    EXPECT_EQ(ChangesRow({"kovamain.exe"}, dest)[2], std::to_string(mainProgram.nFileSizeLow));

    bool kovaLink = false, guideLink = false;
    for (const std::string& folder : ProgramsFolders()) {
        kovaLink = kovaLink || FileExists(folder + "\\KOVAwin\\KOVA.lnk");
        guideLink = guideLink || FileExists(folder + "\\KOVAwin\\Getting Started with KOVA.lnk");
    }
    EXPECT_TRUE(kovaLink) << "no KOVA link in a KOVAwin Start-menu group";
    EXPECT_TRUE(guideLink) << "no Getting Started link in a KOVAwin Start-menu group";

    std::string userConfig, shipped;
    EXPECT_TRUE(ReadWholeFile(std::string(kScratchProfile) + "\\KOVA_TMP\\tarndaemon.conf", &userConfig))
        << "no %UserProfile%\\KOVA_TMP\\tarndaemon.conf";
    ASSERT_TRUE(ReadWholeFile(dest + "\\tarndaemon.conf", &shipped));
    EXPECT_TRUE(userConfig == shipped) << "the user's copy differs from the shipped file";

    setup_.ClickMain(IDC_EXIT);
    ASSERT_TRUE(ExitsWithoutQuestion());
    std::string opened = WaitForTrace(kOpenTrace, 10000);
    EXPECT_NE(std::string::npos, opened.find(Guide(kDefaultDestination))) << "document opened: " << opened;
}

TEST_F(Installation, TickedReaderStartsOnFinishAndTheDocumentStaysClosed)
{
    PutReaderStub();
    const char dir[] = "C:\\kova_e2e\\with reader";
    ASSERT_TRUE(InstallTo(dir));
    for (int id : {IDC_READER_GROUP, IDC_READER_CHECK, IDC_READER_SECOND_LINE, IDC_READER_NOTE})
        EXPECT_TRUE(setup_.Visible(setup_.PageItem(id))) << "control " << id << " hidden";
    EXPECT_FALSE(setup_.Checked(IDC_READER_CHECK));
    setup_.ClickPage(IDC_READER_CHECK);
    ASSERT_TRUE(WaitUntil([&] { return setup_.Checked(IDC_READER_CHECK); }, 5000));
    Shot("reader ticked");
    setup_.ClickMain(IDC_EXIT);
    ASSERT_TRUE(ExitsWithoutQuestion());
    std::string trace = WaitForTrace(kReaderTrace, 10000);
    EXPECT_NE(std::string::npos, trace.find("rs405eng.exe")) << "the reader installer did not start";
    Sleep(2000);
    EXPECT_EQ("", ReadTrace(kOpenTrace)) << "the document was opened";
}

TEST_F(Installation, UntickedFinishOpensTheDocument)
{
    PutReaderStub();
    const char dir[] = "C:\\kova_e2e\\unticked";
    ASSERT_TRUE(InstallTo(dir));
    // Ticking twice leaves the flag clear.
    setup_.ClickPage(IDC_READER_CHECK);
    ASSERT_TRUE(WaitUntil([&] { return setup_.Checked(IDC_READER_CHECK); }, 5000));
    setup_.ClickPage(IDC_READER_CHECK);
    ASSERT_TRUE(WaitUntil([&] { return !setup_.Checked(IDC_READER_CHECK); }, 5000));
    setup_.ClickMain(IDC_EXIT);
    ASSERT_TRUE(ExitsWithoutQuestion());
    std::string opened = WaitForTrace(kOpenTrace, 10000);
    EXPECT_NE(std::string::npos, opened.find(Guide(dir))) << "document opened: " << opened;
    // Through the desktop's shell, as the user, not by the elevated installer.
    EXPECT_NE(std::string::npos, opened.find("by=[explorer.exe]")) << opened;
    EXPECT_EQ("", ReadTrace(kReaderTrace));
}

TEST_F(Installation, AHeldDesktopDoesNotHoldTheEnd)
{
    ASSERT_TRUE(InstallTo("C:\\kova_e2e\\held desktop"));
    DWORD elapsed = 0;
    {
        // The desktop's shell does not answer (a hung Explorer): the setup
        // still ends, with the document unopened, after a bounded wait.
        DesktopSuspended held;
        ASSERT_GT(held.Threads(), 0u) << "no desktop process to hold";
        DWORD start = GetTickCount();
        setup_.ClickMain(IDC_EXIT);
        EXPECT_TRUE(ExitsWithoutQuestion(20000));
        elapsed = GetTickCount() - start;
    }
    EXPECT_LT(elapsed, 9000u);
    Sleep(2000);  // what the shell was asked, it may still do once it runs again
}

TEST_F(Installation, CloseBoxWithReaderTickedOpensTheDocumentOnly)
{
    PutReaderStub();
    const char dir[] = "C:\\kova_e2e\\close box";
    ASSERT_TRUE(InstallTo(dir));
    setup_.ClickPage(IDC_READER_CHECK);
    ASSERT_TRUE(WaitUntil([&] { return setup_.Checked(IDC_READER_CHECK); }, 5000));
    setup_.CloseBox();
    ASSERT_TRUE(ExitsWithoutQuestion());
    std::string opened = WaitForTrace(kOpenTrace, 10000);
    EXPECT_NE(std::string::npos, opened.find(Guide(dir))) << "document opened: " << opened;
    Sleep(1000);
    EXPECT_EQ("", ReadTrace(kReaderTrace)) << "the reader installer started from the close box";
}

TEST_F(Installation, AProgramFileInUseCannotBeCreated)
{
    // The library server of an earlier copy starts after the destination
    // was checked: its file is open without write sharing, and the copy
    // must say so, not blame the disk.
    const std::string dir = "C:\\kova_e2e\\in use";
    ASSERT_TRUE(MakeDirectories(dir));
    ASSERT_TRUE(WriteWholeFile(dir + "\\kovaserv.exe", "running server"));
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    ASSERT_TRUE(WalkToReady(dir.c_str()));
    HANDLE held = CreateFileA((dir + "\\kovaserv.exe").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    setup_.ClickMain(IDC_NEXT);
    ASSERT_TRUE(OnPage(kNotCompleted, 60000));
    CloseHandle(held);
    EXPECT_EQ("Cannot create file kovaserv.exe. Be sure the disk is writable and you have write access.\n\n"
              "If you have an earlier version of KOVA running, please close it down and restart the installation.",
              setup_.ItemText(IDC_ERROR_TEXT));
}

TEST_F(Installation, ExitDuringTheWorkAsksAndYesEndsOnTheErrorPage)
{
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    ASSERT_TRUE(WalkToReady("C:\\kova_e2e\\aborted"));
    setup_.ClickMain(IDC_NEXT);
    ASSERT_TRUE(WaitForCopyStart()) << "no copy page; on \"" << setup_.PageTitle() << "\"";
    setup_.ClickMain(IDC_EXIT);
    EXPECT_EQ("Abort", WindowText(setup_.Button(IDC_EXIT)));
    EXPECT_FALSE(setup_.Enabled(IDC_BACK));
    HWND box = setup_.WaitForMessageBox(30000);
    ASSERT_NE(nullptr, box) << "no stop question; on \"" << setup_.PageTitle() << "\": " << setup_.ItemText(IDC_ERROR_TEXT);
    EXPECT_EQ("Do you want to stop the installation?", setup_.MessageBoxText(box));
    EXPECT_EQ("Install", WindowText(box));
    setup_.Answer(box, IDYES);
    ASSERT_TRUE(OnPage(kNotCompleted));
    EXPECT_EQ("Installation aborted.", setup_.ItemText(IDC_ERROR_TEXT));
    EXPECT_EQ("Close", WindowText(setup_.Button(IDC_EXIT)));
    EXPECT_FALSE(setup_.Enabled(IDC_NEXT));
    EXPECT_FALSE(setup_.Enabled(IDC_BACK));

    // Next and Back are dead now, even when their command arrives.
    HWND page = setup_.Page();
    PostMessageA(setup_.main(), WM_COMMAND, IDC_NEXT, 0);
    PostMessageA(setup_.main(), WM_COMMAND, IDC_BACK, 0);
    Sleep(1000);
    EXPECT_EQ(page, setup_.Page());
    EXPECT_EQ(kNotCompleted, setup_.PageTitle());
    setup_.ClickMain(IDC_EXIT);
    ASSERT_TRUE(ExitsWithoutQuestion());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 17.1").c_str()));
}

TEST_F(Installation, NoToTheStopQuestionLetsTheCopyAndTheRestGoOn)
{
    const std::string dir = "C:\\kova_e2e\\go on";
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    ASSERT_TRUE(WalkToReady(dir.c_str()));
    setup_.ClickMain(IDC_NEXT);
    ASSERT_TRUE(WaitForCopyStart()) << "no copy page; on \"" << setup_.PageTitle() << "\"";
    // Stop once the copy has passed the four small files before the
    // payload's one big file (kova_help.kbx), so that the bar behind the
    // question stands part of the way. The label is read without asking the
    // busy setup, as often as we can: the demo payload copies in a blink.
    HWND fileLabel = setup_.PageItem(IDC_CURRENT_FILE);
    const std::vector<std::string> before = {"", "kovamain.exe", "zrwin32.dll", "kova.exe", "kovaserv.exe"};
    std::string current;
    DWORD start = GetTickCount();
    while (std::find(before.begin(), before.end(), current) != before.end() && GetTickCount() - start < 10000) {
        char name[64] = "";
        GetWindowTextA(fileLabel, name, sizeof(name));
        current = name;
        Sleep(0);
    }
    setup_.ClickMain(IDC_EXIT);
    std::printf("Exit clicked while the copy page named \"%s\"\n", current.c_str());
    HWND box = setup_.WaitForMessageBox(30000);
    ASSERT_NE(nullptr, box) << "no stop question; on \"" << setup_.PageTitle() << "\"";
    EXPECT_EQ("Do you want to stop the installation?", setup_.MessageBoxText(box));
    EXPECT_EQ(kCopying, setup_.PageTitle()) << "the question did not come during the copy";
    std::printf("the question came at file \"%s\"\n", setup_.ItemText(IDC_CURRENT_FILE).c_str());
    // The whole screen: the question in front of the copy page and its bar.
    ShotOf(GetDesktopWindow(), "copying mid");
    setup_.Answer(box, IDNO);
    ASSERT_TRUE(WaitUntil([&] { return setup_.MessageBoxes().empty(); }, 5000));
    std::vector<std::string> pages;
    ASSERT_TRUE(FollowWorkPages(&pages));
    // Titles seen from the question on: the copy page (unless it ended at
    // once), the registry page, maybe the icon page, the completion page.
    std::vector<std::string> order = {kCopying, kRegistry, kIcons, kComplete};
    size_t next = 0;
    for (const std::string& page : pages) {
        while (next < order.size() && order[next] != page)
            ++next;
        EXPECT_LT(next, order.size()) << "unexpected or out-of-order page \"" << page << "\"";
    }
    EXPECT_NE(pages.end(), std::find(pages.begin(), pages.end(), kRegistry)) << "the registry page never showed";

    for (const PayloadFile& file : PayloadFiles()) {
        std::string installed, staged;
        EXPECT_TRUE(ReadWholeFile(dir + "\\" + file.installedName, &installed) &&
                    ReadWholeFile(file.stagedPath, &staged) && installed == staged)
            << file.installedName << " missing or different";
    }
    std::string value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ProductAppPathsKey, nullptr, &value));
    EXPECT_EQ(dir + "\\kovamain.exe", value);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey("KOVA 17.1").c_str()));
    EXPECT_EQ(1u, GroupLinks("KOVA.lnk").size());
    EXPECT_EQ(1u, GroupLinks("Getting Started with KOVA.lnk").size());
}
