// Scenarios about what the installation leaves in the system beside its
// files: the user's server configuration, the file type, the program
// group's links, the executable's manifest and a reinstallation over itself.
#include <windows.h>

#include <cstdio>

#include "scenario.h"

namespace {

const char kLibraryEnvironment[] = "KOVAWIN_LIB=C:\\Data\\Libs";
const char kFileTypeQuestion[] =
    "The file type \"kvx\" is already registered as \"Other Documents\"\n\n"
    "Do you want to replace this by \"KOVA Library\"?";

std::string CrlfLines(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\r\n";
    return text;
}

std::string UserConfigFile()
{
    return std::string(kScratchProfile) + "\\KOVA_TMP\\tarndaemon.conf";
}

void ExpectUninstallEntry(const std::string& dest)
{
    const std::string key = UninstallKey("KOVA 17.1");
    std::string value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, key.c_str(), "DisplayName", &value) && value == "Kovalith 17.1")
        << "DisplayName " << value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, key.c_str(), "UninstallString", &value) &&
                value == "\"" + dest + "\\uninstal.exe\"")
        << "UninstallString " << value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, key.c_str(), "DisplayIcon", &value) &&
                value == dest + "\\kovamain.exe")
        << "DisplayIcon " << value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, key.c_str(), "Publisher", &value) && value == "Brannvik")
        << "Publisher " << value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, key.c_str(), "DisplayVersion", &value) && value == "17.1")
        << "DisplayVersion " << value;
    DWORD size = 0;
    EXPECT_TRUE(ReadDword(HKEY_LOCAL_MACHINE, key.c_str(), "EstimatedSize", &size));
    EXPECT_EQ((RequiredBytesFor(SectorSize('C')) + 1023) / 1024, size);
}

}  // namespace

// --- The user's server configuration ------------------------------------------

class ServerConfig : public SetupScenario {
protected:
    static std::string Tail()
    {
        return CrlfLines({"ServerComment\t\"#Libraries in C:/Data/Libs\"", "", "LibraryPath\t\"C:/Data/Libs\""});
    }
};

TEST_F(ServerConfig, LibraryFromTheEnvironmentIsMergedIntoTheShippedFile)
{
    ASSERT_TRUE(InstallTo("C:\\kova_e2e\\with library", {kLibraryEnvironment}));
    // The shipped file's last line has no line end, so the closing lines
    // follow it directly; its empty lines and inactive library lines go.
    const std::string expected = CrlfLines({
        "", "",
        "#",
        "# Tarndaemon configuration file",
        "#",
        "# Note: The lines starting with hash (#) character are commented out (inactive) keywords",
        "# WellKnownPort      9239",
        "# LogFile            \"c:\\temp\\tarndaemon.log\"",
        "# MaxLogSize         5",
        "# MaxLogBackups      10",
        "# End of configuration file",
    }) + Tail();
    std::string merged;
    ASSERT_TRUE(ReadWholeFile(UserConfigFile(), &merged)) << "no " << UserConfigFile();
    EXPECT_EQ(expected, merged);
    EXPECT_FALSE(FileExists(std::string(kScratchTemp) + "\\tarndaemon.conf")) << "the merged file stays in TEMP";
}

TEST_F(ServerConfig, UsersOwnCopyLosesItsOldLibraryLines)
{
    ASSERT_TRUE(MakeDirectories(std::string(kScratchProfile) + "\\KOVA_TMP"));
    ASSERT_TRUE(WriteWholeFile(UserConfigFile(),
                               "# My settings\r\n"
                               "WellKnownPort\t9239\r\n"
                               "ServerComment \"#Libraries in X:/old\"\r\n"
                               "LibraryPath \"X:/old\"\r\n"
                               "MaxLogSize 5\r\n"));
    // Where copy asks before it overwrites, the hidden copy-back must not ask.
    ASSERT_TRUE(InstallTo("C:\\kova_e2e\\own copy", {kLibraryEnvironment, "COPYCMD=/-Y"}));
    const std::string expected =
        CrlfLines({"", "", "# My settings", "WellKnownPort 9239", "MaxLogSize 5", ""}) + Tail();
    std::string merged;
    ASSERT_TRUE(ReadWholeFile(UserConfigFile(), &merged));
    EXPECT_EQ(expected, merged);
    EXPECT_FALSE(FileExists(std::string(kScratchTemp) + "\\tarndaemon.conf")) << "the merged file stays in TEMP";
}

// --- A file type registered by another program -----------------------------------

class ForeignFileType : public SetupScenario {
protected:
    void SetUp() override
    {
        SetupScenario::SetUp();
        DeleteKeyTree(HKEY_CLASSES_ROOT, "kovadoc");
        ASSERT_TRUE(WriteString(HKEY_CLASSES_ROOT, ".kvx", nullptr, "kovadoc"));
        ASSERT_TRUE(WriteString(HKEY_CLASSES_ROOT, "kovadoc", nullptr, "Other Documents"));
        ASSERT_TRUE(WriteString(HKEY_CLASSES_ROOT, "kovadoc\\shell\\open\\command", nullptr, kOtherCommand));
    }
    void TearDown() override
    {
        SetupScenario::TearDown();
        DeleteKeyTree(HKEY_CLASSES_ROOT, "kovadoc");
    }

    // From the start to the file-type question on the registry page: the
    // question's box, or null (with a failure) when it did not come.
    HWND WalkToTheQuestion(const char* dir)
    {
        ::testing::AssertionResult result = StartSetup();
        if (result)
            result = WalkToDestination();
        if (result)
            result = WalkToReady(dir);
        EXPECT_TRUE(result);
        if (!result)
            return nullptr;
        setup_.ClickMain(IDC_NEXT);
        HWND box = setup_.WaitForMessageBox(120000);
        EXPECT_NE(nullptr, box) << "no question; on \"" << setup_.PageTitle() << "\"";
        if (!box)
            return nullptr;
        EXPECT_EQ(kRegistry, setup_.PageTitle());
        EXPECT_EQ("Install", WindowText(box));
        EXPECT_EQ(kFileTypeQuestion, setup_.MessageBoxText(box));
        return box;
    }
    ::testing::AssertionResult AnswerAndFinish(HWND box, int answer)
    {
        setup_.Answer(box, answer);
        if (!WaitUntil([&] { return setup_.MessageBoxes().empty(); }, 5000))
            return ::testing::AssertionFailure() << "the question stays";
        return FollowWorkPages();
    }
    void ExpectForeignClassUntouched()
    {
        std::string value;
        EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, "kovadoc", nullptr, &value));
        EXPECT_EQ("Other Documents", value);
        EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, "kovadoc\\shell\\open\\command", nullptr, &value));
        EXPECT_EQ(kOtherCommand, value);
    }

    static const char kOtherCommand[];
};

const char ForeignFileType::kOtherCommand[] = "C:\\Other\\other.exe \"%1\"";

TEST_F(ForeignFileType, NoLeavesTheOtherProgramsTypeAndTheInstallationGoesOn)
{
    HWND box = WalkToTheQuestion("C:\\kova_e2e\\type kept");
    ASSERT_NE(nullptr, box);
    ShotOf(box, "message file type");
    ASSERT_TRUE(AnswerAndFinish(box, IDNO));
    std::string value;
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, ".kvx", nullptr, &value));
    EXPECT_EQ("kovadoc", value);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "kvxfile"));
    ExpectForeignClassUntouched();
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, ProductAppPathsKey, nullptr, &value));
    EXPECT_EQ("C:\\kova_e2e\\type kept\\kovamain.exe", value);
}

TEST_F(ForeignFileType, YesTakesTheExtensionOverAndLeavesTheOtherClass)
{
    const std::string dir = "C:\\kova_e2e\\type taken";
    HWND box = WalkToTheQuestion(dir.c_str());
    ASSERT_NE(nullptr, box);
    ASSERT_TRUE(AnswerAndFinish(box, IDYES));
    std::string value;
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, ".kvx", nullptr, &value));
    EXPECT_EQ("kvxfile", value);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, "kvxfile", nullptr, &value));
    EXPECT_EQ("KOVA Library", value);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, "kvxfile\\Shell\\Open\\command", nullptr, &value));
    EXPECT_EQ("\"" + dir + "\\kovamain.exe\" \"%1\"", value);
    ExpectForeignClassUntouched();
}

// --- Program group ----------------------------------------------------------------

class ProgramGroup : public SetupScenario {};

TEST_F(ProgramGroup, LinksPointIntoTheDestination)
{
    ASSERT_TRUE(InstallTo(kDefaultDestination));
    const std::string dest = kDefaultDestination;
    const struct {
        const char* link;
        std::string target;
    } links[] = {{"KOVA.lnk", dest + "\\kovamain.exe"},
                 {"Getting Started with KOVA.lnk", dest + "\\Getting Started with KOVA.html"}};
    for (const auto& expected : links) {
        SCOPED_TRACE(expected.link);
        std::vector<std::string> found = GroupLinks(expected.link);
        ASSERT_EQ(1u, found.size()) << "links in the KOVAwin groups";
        std::string target;
        ASSERT_TRUE(ResolveLink(found[0], &target)) << found[0];
        EXPECT_EQ(0, _stricmp(expected.target.c_str(), target.c_str())) << found[0] << " -> " << target;
    }
}

// --- The executable itself ------------------------------------------------------------

TEST(Executable, ManifestAsksForAdministratorRightsScalingAndTheSystemsItKnows)
{
    std::string manifest = ManifestOf(WindowsPath(SetupExePath()));
    size_t start = manifest.find("<requestedExecutionLevel");
    ASSERT_NE(std::string::npos, start) << manifest;
    size_t end = manifest.find('>', start);
    ASSERT_NE(std::string::npos, end);
    std::string element = manifest.substr(start, end - start);
    EXPECT_NE(std::string::npos, element.find(" level=\"requireAdministrator\"")) << element;
    EXPECT_NE(std::string::npos, element.find(" uiAccess=\"false\"")) << element;

    // Drawn by the program at every scale: per monitor where the system
    // scales dialogs for it, else at the system's scale.
    EXPECT_NE(std::string::npos, manifest.find(">true</dpiAware>")) << manifest;
    EXPECT_NE(std::string::npos, manifest.find(">PerMonitorV2, System</dpiAwareness>")) << manifest;
    // Windows Vista, 7, 8, 8.1 and 10 (which 11 shares).
    for (const char* id : {"e2011457-1546-43c5-a5fe-008deee3d3f0", "35138b9a-5d96-4fbd-8e2d-a2440225f93a",
                           "4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38", "1f676c76-80e1-4239-95bb-83d0f6d0da78",
                           "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"})
        EXPECT_NE(std::string::npos, manifest.find(std::string("<supportedOS Id=\"{") + id + "}\"/>")) << id;
}

// --- Reinstallation over itself ------------------------------------------------------------

class Reinstallation : public SetupScenario {};

TEST_F(Reinstallation, OldUninstallerRunsAndTheNewEntryLinksAndFilesStay)
{
    const std::string dest = kDefaultDestination;
    ASSERT_TRUE(InstallTo(kDefaultDestination));
    setup_.ClickMain(IDC_EXIT);
    ASSERT_TRUE(ExitsWithoutQuestion());
    setup_.Kill();
    ASSERT_EQ("", ReadTrace(kUninstallTrace));
    // The old installation has the proxy library the uninstaller schedules
    // too, and the boot-time list holds other programs' operations.
    ASSERT_TRUE(WriteWholeFile(dest + "\\comproxy.dll", "old proxy"));
    std::string others = std::string("\\??\\") + kScratchTemp + '\0' + '\0' + "\\??\\C:\\kova_e2e\\from.tmp" + '\0' +
                         "\\??\\C:\\kova_e2e\\to.tmp" + '\0' + '\0';
    ASSERT_TRUE(WriteMultiString(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingOperationsValues[0], others));

    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    EXPECT_EQ(dest, setup_.ItemText(IDC_DIRECTORY));
    setup_.SetPageItemText(IDC_DIRECTORY, dest.c_str());
    ASSERT_TRUE(Press(IDC_NEXT, kReplace));
    EXPECT_TRUE(setup_.Checked(IDC_REPLACE));
    ASSERT_TRUE(Press(IDC_NEXT, kReady));
    std::string traceAtReady = ReadTrace(kUninstallTrace);
    ASSERT_TRUE(WalkToCompletion());
    std::string traceAtCompletion = ReadTrace(kUninstallTrace);
    std::printf("uninstaller trace present at the ready page: %s, at the completion page: %s\n",
                traceAtReady.empty() ? "no" : "yes", traceAtCompletion.empty() ? "no" : "yes");
    std::string trace = WaitForTrace(kUninstallTrace, 15000);
    ASSERT_NE("", trace) << "uninstal.exe left no trace";
    // When the uninstaller finishes only after the registry or icon page, it
    // takes away what this installation has just written.
    const std::string timing = "uninstaller trace at the ready page: [" + traceAtReady + "], at the completion page: [" +
                               traceAtCompletion + "]";
    EXPECT_NE(std::string::npos, trace.find(" -s] dir=[" + dest + "]")) << trace;
    EXPECT_NE(std::string::npos, trace.find("result=removed key=1 links=2 pending=3")) << trace;
    EXPECT_NE("", traceAtCompletion) << "the uninstaller ended after the completion page came; " << timing;

    std::string pending;
    ASSERT_TRUE(ReadMultiString(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingOperationsValues[0], &pending));
    EXPECT_EQ(SplitMultiString(others), SplitMultiString(pending)) << timing;

    ExpectUninstallEntry(dest);
    EXPECT_EQ(1u, GroupLinks("KOVA.lnk").size()) << timing;
    EXPECT_EQ(1u, GroupLinks("Getting Started with KOVA.lnk").size()) << timing;
    for (const PayloadFile& file : PayloadFiles()) {
        std::string installed, staged;
        EXPECT_TRUE(ReadWholeFile(dest + "\\" + file.installedName, &installed) &&
                    ReadWholeFile(file.stagedPath, &staged) && installed == staged)
            << file.installedName << " missing or different";
    }
}

TEST_F(Reinstallation, ASlowOldUninstallerIsWaitedForAndLeavesNoBootTimeDeletes)
{
    const std::string dest = "C:\\kova_e2e\\slow old copy";
    auto plant = [&] {
        ASSERT_TRUE(MakeDirectories(dest));
        ASSERT_TRUE(WriteWholeFile(dest + "\\kova.exe", "old program"));
        ASSERT_TRUE(CopyOneFile(WindowsPath(KOVA_SLOW_UNINSTALLER), dest + "\\uninstal.exe"));
    };
    auto walkToReplace = [&] {
        ASSERT_TRUE(StartSetup());
        ASSERT_TRUE(WalkToDestination());
        setup_.SetPageItemText(IDC_DIRECTORY, dest.c_str());
        ASSERT_TRUE(Press(IDC_NEXT, kReplace));
        setup_.ClickMain(IDC_NEXT);
    };
    auto pendingNames = [](const std::string& what) {
        std::string pending;
        ReadMultiString(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingOperationsValues[0], &pending);
        for (const std::string& entry : SplitMultiString(pending))
            if (entry.size() >= what.size() && entry.compare(entry.size() - what.size(), what.size(), what) == 0)
                return true;
        return false;
    };
    // While it waits, Exit still ends the program at once.
    plant();
    walkToReplace();
    Sleep(1000);
    EXPECT_EQ(kReplace, setup_.PageTitle());
    setup_.ClickMain(IDC_EXIT);
    ASSERT_TRUE(ExitsWithoutQuestion());
    setup_.Kill();
    EXPECT_FALSE(FileExists(dest + "\\kovamain.exe"));
    ASSERT_TRUE(WaitUntil([&] { return pendingNames("slow old copy"); }, 15000)) << "the uninstaller never ended";

    CleanSystem();
    MakeDirectories(kSetupDir);
    plant();
    walkToReplace();
    ASSERT_TRUE(OnPage(kReady, 70000));
    ASSERT_TRUE(WalkToCompletion());
    EXPECT_FALSE(pendingNames("slow old copy\\uninstal.exe"));
    EXPECT_FALSE(pendingNames("slow old copy"));
    std::string installed, staged;
    EXPECT_TRUE(ReadWholeFile(dest + "\\uninstal.exe", &installed) &&
                ReadWholeFile(WindowsPath(KOVA_PAYLOAD_STAGE) + "\\uninstal.exe", &staged) && installed == staged);
}

TEST_F(Reinstallation, AtADrivesRootAnUninstallerThatHandsOverToTempLeavesNoBootTimeDeletes)
{
    // R: is an empty folder of its own (drives.sh). The old uninstaller
    // restarts itself from TEMP and, there, writes its deletes as current
    // Windows does: "*1\??\" sources, appended to the second value since it
    // exists. Other programs' pairs stay in both values.
    const std::string dest = "R:\\";
    ASSERT_TRUE(WriteWholeFile(dest + "kova.exe", "old program"));
    ASSERT_TRUE(WriteWholeFile(dest + "comproxy.dll", "old proxy"));
    ASSERT_TRUE(CopyOneFile(WindowsPath(KOVA_HANDOVER_UNINSTALLER), dest + "uninstal.exe"));
    const std::string others = std::string("*1\\??\\C:\\kova_e2e\\from.tmp") + '\0' + "*1!\\??\\C:\\kova_e2e\\to.tmp" +
                               '\0' + '\0';
    ASSERT_TRUE(WriteMultiString(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingOperationsValues[0], others));
    ASSERT_TRUE(WriteMultiString(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingOperationsValues[1], others));

    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    setup_.SetPageItemText(IDC_DIRECTORY, dest.c_str());
    ASSERT_TRUE(Press(IDC_NEXT, kReplace));
    ASSERT_TRUE(Press(IDC_NEXT, kReady, 20000));
    EXPECT_EQ("done\n", ReadTrace("kova_handover_trace.txt")) << "the copy in TEMP was not waited for";
    ASSERT_TRUE(WalkToCompletion());

    for (const char* value : {PendingOperationsValues[0], PendingOperationsValues[1]}) {
        std::string pending;
        ASSERT_TRUE(ReadMultiString(HKEY_LOCAL_MACHINE, SessionManagerKey, value, &pending)) << value;
        EXPECT_EQ(SplitMultiString(others), SplitMultiString(pending)) << value;
    }
    std::string installed, staged;
    EXPECT_TRUE(ReadWholeFile(dest + "uninstal.exe", &installed) &&
                ReadWholeFile(WindowsPath(KOVA_PAYLOAD_STAGE) + "\\uninstal.exe", &staged) && installed == staged);
}
