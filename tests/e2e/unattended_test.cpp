// Runs as a deployment system starts the installer: /S with nobody at the
// screen, /D= and /LOG=, the exit codes, and one setup at a time.
#include <windows.h>
#include <shlobj.h>

#include <map>

#include "desktop_hold.h"
#include "scenario.h"

namespace {

const std::string kUninstallEntry = UninstallKey(UninstallKeyName);

// Every value below a key, as "key\name" -> data, subkeys included.
void CollectKey(HKEY root, const std::string& rootName, const std::string& subKey,
                std::map<std::string, std::string>* out)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    char name[256];
    BYTE data[1024];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS)
            break;
        (*out)[rootName + "\\" + subKey + "\\" + name] = std::string(reinterpret_cast<char*>(data), dataSize);
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name;
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        CollectKey(root, rootName, subKey + "\\" + name, out);
    }
    RegCloseKey(key);
}

// What an installation into `dest` left on the system: its files, the
// registry values under every key it writes, the group's links and the
// user's configuration.
std::map<std::string, std::string> Installed(const std::string& dest)
{
    std::map<std::string, std::string> seen;
    for (const std::string& name : ListDirectory(dest))
        ReadWholeFile(dest + "\\" + name, &seen["file " + name]);
    CollectKey(HKEY_LOCAL_MACHINE, "HKLM", VendorKey, &seen);
    CollectKey(HKEY_LOCAL_MACHINE, "HKLM", std::string(SystemAppPathsKey) + "\\kovamain.exe", &seen);
    CollectKey(HKEY_LOCAL_MACHINE, "HKLM", kUninstallEntry, &seen);
    CollectKey(HKEY_CLASSES_ROOT, "HKCR", ".kvx", &seen);
    CollectKey(HKEY_CLASSES_ROOT, "HKCR", "kvxfile", &seen);
    for (const char* link : {"KOVA.lnk", "Getting Started with KOVA.lnk"})
        for (const std::string& path : GroupLinks(link))
            ResolveLink(path, &seen["link " + path]);
    ReadWholeFile(std::string(kScratchProfile) + "\\KOVA_TMP\\tarndaemon.conf", &seen["user configuration"]);
    return seen;
}

class Unattended : public SetupScenario {
protected:
    // Runs setup.exe with `arguments` to its end; its exit code, and in
    // `shown` the number of windows it showed (-1 when it did not end).
    DWORD Run(const std::string& arguments, int* shown, SetupProcess* process = nullptr)
    {
        SetupProcess own;
        SetupProcess& setup = process ? *process : own;
        SetupOptions options;
        options.arguments = arguments;
        options.unattended = true;
        options.currentDir = kSetupDir;
        options.environment = {"TEMP=" + temp_, "TMP=" + temp_, std::string("UserProfile=") + kScratchProfile};
        options.unsetNames = {"KOVAWIN_LIB"};
        options.desktop = desktop_;
        if (!setup.Start(options)) {
            ADD_FAILURE() << setup.error();
            return DWORD(-1);
        }
        *shown = setup.WindowsShownUntilExit(90000);
        return setup.ExitCode();
    }
    // Every payload file in `dest` as it was staged, and the uninstall entry
    // naming `dest`.
    static void ExpectInstalledIn(const std::string& dest)
    {
        for (const PayloadFile& file : PayloadFiles()) {
            std::string installed, staged;
            EXPECT_TRUE(ReadWholeFile(dest + "\\" + file.installedName, &installed) &&
                        ReadWholeFile(file.stagedPath, &staged) && installed == staged)
                << file.installedName;
        }
        std::string value;
        EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallEntry.c_str(), "InstallLocation", &value));
        EXPECT_EQ(dest, value);
    }
    static bool NothingInstalled(const std::string& dest)
    {
        return ListDirectory(dest).empty() && !KeyExists(HKEY_LOCAL_MACHINE, kUninstallEntry.c_str());
    }
    std::string temp_ = kScratchTemp;  // TEMP and TMP of the runs
    std::string desktop_;              // the runs' desktop, when not ours
};

}  // namespace

TEST_F(Unattended, InstallsWhatTheWizardsDefaultWalkInstallsWithoutAWindow)
{
    ASSERT_TRUE(InstallTo(kDefaultDestination));
    setup_.ClickMain(IDC_EXIT);
    ASSERT_TRUE(ExitsWithoutQuestion());
    // The wizard's Finish opens the guide through the desktop's shell, which
    // records it after the installer has ended: the record must be in before
    // the system is cleaned, or it lands during the unattended run.
    EXPECT_NE("", WaitForTrace(kOpenTrace, 10000));
    const std::map<std::string, std::string> byWizard = Installed(kDefaultDestination);
    ASSERT_GT(byWizard.size(), 30u);

    CleanSystem();
    MakeDirectories(kSetupDir);
    int shown = -1;
    EXPECT_EQ(0u, Run("/S", &shown));
    EXPECT_EQ(0, shown) << "an unattended run showed a window";
    const std::map<std::string, std::string> unattended = Installed(kDefaultDestination);
    for (const auto& entry : byWizard) {
        auto found = unattended.find(entry.first);
        EXPECT_TRUE(found != unattended.end() && found->second == entry.second) << entry.first;
    }
    EXPECT_EQ(byWizard.size(), unattended.size());
    // Nothing is opened or started for a person; the log stays in TEMP.
    EXPECT_EQ("", ReadTrace(kOpenTrace));
    std::string log;
    ASSERT_TRUE(ReadWholeFile(std::string(kScratchTemp) + "\\KOVA 17.1 Setup.log", &log));
    EXPECT_NE(std::string::npos, log.find("exit code 0: installed")) << log;
}

TEST_F(Unattended, DestinationWithBlanksOverAnEarlierInstallationAndItsLog)
{
    const std::string dest = "C:\\kova_e2e\\silent\\KOVA 17 for all";
    const std::string logFile = std::string(kScratchTemp) + "\\deployment logs\\run one.log";
    ASSERT_TRUE(MakeDirectories(std::string(kScratchTemp) + "\\deployment logs"));
    int shown = -1;
    EXPECT_EQ(0u, Run("/S /D=" + dest, &shown));
    EXPECT_EQ(0, shown);
    // Over the earlier installation: its uninstaller runs, without asking;
    // and .kvx, meanwhile another program's, is taken over as the wizard
    // proposes.
    ASSERT_TRUE(WriteString(HKEY_CLASSES_ROOT, "otherfile", nullptr, "Other Library"));
    ASSERT_TRUE(WriteString(HKEY_CLASSES_ROOT, ".kvx", nullptr, "otherfile"));
    EXPECT_EQ(0u, Run("/S \"/LOG=" + logFile + "\" /D=" + dest, &shown));
    DeleteKeyTree(HKEY_CLASSES_ROOT, "otherfile");
    EXPECT_EQ(0, shown);
    EXPECT_NE(std::string::npos, WaitForTrace(kUninstallTrace, 10000).find("silent=1 result=removed"));
    ExpectInstalledIn(dest);
    std::string value;
    EXPECT_TRUE(ReadString(HKEY_LOCAL_MACHINE, kUninstallEntry.c_str(), "QuietUninstallString", &value));
    EXPECT_EQ("\"" + dest + "\\uninstal.exe\" -s", value);
    EXPECT_TRUE(ReadString(HKEY_CLASSES_ROOT, ".kvx", nullptr, &value));
    EXPECT_EQ("kvxfile", value);

    // The log names every file and registry value written, and the end.
    std::string log;
    ASSERT_TRUE(ReadWholeFile(logFile, &log));
    for (const PayloadFile& file : PayloadFiles())
        EXPECT_NE(std::string::npos, log.find("file " + dest + "\\" + file.installedName + ":")) << file.installedName;
    for (const char* written : {"AppPaths (default) = ", "Classes\\.kvx (default) = kvxfile",
                                "kvxfile\\Shell\\Open\\command", "UninstallString = ", "QuietUninstallString = ",
                                "InstallLocation = ", "DisplayVersion = 17.1", "EstimatedSize = ",
                                "CurrentVersion (default) = XBRT", "DDE execute: [CreateGroup", "exit code 0",
                                "already registered as \"Other Library\"", "? -> Yes"})
        EXPECT_NE(std::string::npos, log.find(written)) << written << "\n" << log;
}

TEST_F(Unattended, ALogThatCannotBeWrittenChangesNothingElse)
{
    int shown = -1;
    const std::string dest = "C:\\kova_e2e\\silent\\unlogged";
    EXPECT_EQ(0u, Run("/S \"/LOG=C:\\kova_e2e\\no such folder\\run.log\" /D=" + dest, &shown));
    ExpectInstalledIn(dest);
    // A log file another program holds without sharing.
    const std::string held = std::string(kScratchTemp) + "\\held.log";
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(0u, Run("/S \"/LOG=" + held + "\" /D=" + dest + " two", &shown));
    CloseHandle(holder);
    ExpectInstalledIn(dest + " two");
}

// KOVA open in another session: no window of it here, but its program file
// held. Nothing of the earlier installation may go.
TEST_F(Unattended, AProgramFileHeldElsewhereStopsTheRunBeforeAnyChange)
{
    const std::string dest = "C:\\kova_e2e\\silent\\held";
    int shown = -1;
    ASSERT_EQ(0u, Run("/S /D=" + dest, &shown));
    const std::map<std::string, std::string> before = Installed(dest);
    std::string pendingBefore, pending;
    ReadMultiString(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingOperationsValues[0], &pendingBefore);
    HANDLE held = CreateFileA((dest + "\\kovamain.exe").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    const std::string log = std::string(kScratchTemp) + "\\held.log";
    EXPECT_EQ(11u, Run("/S \"/LOG=" + log + "\" /D=" + dest, &shown));
    EXPECT_EQ("", ReadTrace(kUninstallTrace)) << "the earlier uninstaller ran";
    EXPECT_TRUE(before == Installed(dest)) << "the earlier installation changed";
    ReadMultiString(HKEY_LOCAL_MACHINE, SessionManagerKey, PendingOperationsValues[0], &pending);
    EXPECT_EQ(pendingBefore, pending);
    std::string text;
    EXPECT_TRUE(ReadWholeFile(log, &text) && text.find(dest + "\\kovamain.exe is in use") != std::string::npos) << text;

    // The wizard stays on the destination page and says so.
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    setup_.SetPageItemText(IDC_DIRECTORY, dest.c_str());
    setup_.ClickMain(IDC_NEXT);
    HWND box = setup_.WaitForMessageBox(10000);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(ProductRunningText, setup_.MessageBoxText(box));
    setup_.Answer(box, IDOK);
    EXPECT_TRUE(OnPage(kDestination));
    CloseHandle(held);
}

// Under the machine's account TEMP is a folder every user may write to: what
// stands at the log's name, other than an earlier log, is left alone, never
// followed or written through; the run goes on without a log.
TEST_F(Unattended, ALinkOrFolderAtTheLogsNameChangesNothingButTheLog)
{
    temp_ = "C:\\kova_links";  // planted by tests/e2e/drives.sh
    const std::string planted = temp_ + "\\" + UnattendedLogName;
    std::string text;
    ASSERT_TRUE(ReadWholeFile(planted, &text));
    ASSERT_EQ("precious", text) << "no link at the log's name";
    int shown = -1;
    EXPECT_EQ(0u, Run("/S /D=C:\\kova_e2e\\silent\\linked", &shown));
    ExpectInstalledIn("C:\\kova_e2e\\silent\\linked");
    EXPECT_TRUE(ReadWholeFile(temp_ + "\\precious.txt", &text) && text == "precious") << "the link was followed";

    temp_ = kScratchTemp;
    ASSERT_TRUE(MakeDirectories(temp_ + "\\" + UnattendedLogName));
    EXPECT_EQ(0u, Run("/S /D=C:\\kova_e2e\\silent\\unlogged", &shown));
    ExpectInstalledIn("C:\\kova_e2e\\silent\\unlogged");
}

// A deployment's session 0 has nobody to see a window, here a window station
// that is not visible: no question or message may wait there for an answer,
// whatever the command line.
TEST_F(Unattended, WhereNobodySeesAWindowNoneIsShown)
{
    HWINSTA own = GetProcessWindowStation();
    HWINSTA station = CreateWindowStationA("kova_e2e_hidden", 0, WINSTA_ALL_ACCESS, nullptr);
    ASSERT_NE(nullptr, station);
    ASSERT_TRUE(SetProcessWindowStation(station));
    HDESK desktop = CreateDesktopA("Default", nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    SetProcessWindowStation(own);
    ASSERT_NE(nullptr, desktop);
    desktop_ = "kova_e2e_hidden\\Default";
    int shown = -1;
    EXPECT_EQ(1639u, Run("/Q", &shown)) << "a refused line without /S";
    const std::string dest = "C:\\kova_e2e\\silent\\session zero";
    EXPECT_EQ(0u, Run("/D=" + dest, &shown)) << "a line without /S";
    ExpectInstalledIn(dest);
    CloseDesktop(desktop);
    CloseWindowStation(station);
}

// Started from a folder where another user planted a library under the name
// of one that system code loads by name after start-up, with Windows' order
// (the program's folder first) asked of Wine for that name.
TEST_F(Unattended, ALibraryPlantedBesideTheSetupIsNeverLoaded)
{
    const std::string downloads = std::string(kScratchRoot) + "\\downloads";
    const std::string mark = downloads + "\\loaded.txt";
    ASSERT_TRUE(MakeDirectories(downloads));
    ASSERT_TRUE(CopyOneFile(WindowsPath(SetupExePath()), downloads + "\\setup.exe"));
    ASSERT_TRUE(CopyOneFile(WindowsPath(KOVA_PLANTED_LIBRARY), downloads + "\\uxtheme.dll"));
    // Wine's own choice for setup.exe, as the environment's WINEDLLOVERRIDES
    // would make it for every program.
    const char overrides[] = "Software\\Wine\\AppDefaults\\setup.exe\\DllOverrides";
    ASSERT_TRUE(WriteString(HKEY_CURRENT_USER, overrides, "uxtheme", "native,builtin"));
    SetupOptions options;
    options.environment = {"TEMP=" + temp_, "KOVA_PLANT_MARK=" + mark};
    HANDLE setup = StartProgram("\"" + downloads + "\\setup.exe\" /S /D=" + downloads + "\\KOVA", downloads.c_str(),
                                &options);
    EXPECT_NE(nullptr, setup);
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(setup, 90000));
    DWORD code = DWORD(-1);
    GetExitCodeProcess(setup, &code);
    CloseHandle(setup);
    DeleteKeyTree(HKEY_CURRENT_USER, overrides);
    EXPECT_EQ(0u, code);
    EXPECT_FALSE(FileExists(mark)) << "the planted library was loaded";
}

TEST_F(Unattended, RefusedRunsChangeNothingAndSayWhyByTheirCode)
{
    int shown = -1;
    EXPECT_EQ(1639u, Run("/S /Q", &shown)) << "an unknown switch";
    EXPECT_EQ(0, shown);
    EXPECT_EQ(1639u, Run("/S /D=", &shown)) << "no destination after /D=";
    // A switch inside an unquoted destination: refused, silent since it is /S.
    EXPECT_EQ(1639u, Run("/D=C:\\kova_e2e\\Apps\\KOVA /S", &shown));
    EXPECT_EQ(0, shown);
    EXPECT_TRUE(NothingInstalled(kDefaultDestination));
    EXPECT_TRUE(NothingInstalled("C:\\kova_e2e\\Apps\\KOVA"));

    // An unmapped drive: the destination cannot be made.
    EXPECT_EQ(12u, Run("/S /D=Q:\\KOVA", &shown));
    EXPECT_EQ(0, shown);
    EXPECT_TRUE(NothingInstalled(kDefaultDestination));

    // The product is running.
    HANDLE kova = StartProgram("\"" + WindowsPath(KOVA_PAYLOAD_STAGE) + "\\kovamain.exe\"", nullptr);
    ASSERT_NE(nullptr, kova);
    others_.push_back(kova);
    ASSERT_TRUE(WaitUntil([] { return FindWindowA("KOVAMAIN", nullptr) != nullptr; }, 10000));
    const std::string dest = "C:\\kova_e2e\\silent\\while running";
    EXPECT_EQ(11u, Run("/S /D=" + dest, &shown));
    EXPECT_EQ(0, shown);
    EXPECT_TRUE(NothingInstalled(dest));

    // Without /S the refusal is one message box that lists the switches.
    SetupProcess wizard;
    SetupOptions options;
    options.arguments = "/Q";
    options.unattended = true;
    ASSERT_TRUE(wizard.Start(options));
    HWND box = wizard.WaitForMessageBox(10000);
    ASSERT_NE(nullptr, box);
    EXPECT_NE(std::string::npos, wizard.MessageBoxText(box).find("/D=dir: install into dir"));
    wizard.Answer(box, IDOK);
    ASSERT_TRUE(wizard.WaitExit(10000));
    EXPECT_EQ(1639u, wizard.ExitCode());
}

TEST_F(Unattended, OneSetupAtATime)
{
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(OnPage(kWelcome));
    int shown = -1;
    DWORD start = GetTickCount();
    EXPECT_EQ(1618u, Run("/S", &shown));
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_EQ(0, shown);
    EXPECT_TRUE(NothingInstalled(kDefaultDestination));

    // A second wizard brings the first to the front and ends.
    HWND elsewhere = CreateWindowA("STATIC", "elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr,
                                   nullptr, nullptr);
    SetForegroundWindow(elsewhere);
    SetupProcess second;
    SetupOptions options;
    options.unattended = true;
    ASSERT_TRUE(second.Start(options));
    ASSERT_TRUE(second.WaitExit(10000));
    EXPECT_EQ(1618u, second.ExitCode());
    // Another process's window comes to the front when its thread takes the
    // activation, which need not be before the second setup has ended.
    EXPECT_TRUE(WaitUntil([&] { return GetForegroundWindow() == setup_.main(); }, 2000));
    DestroyWindow(elsewhere);

    // The first goes on as before.
    ASSERT_TRUE(WalkToDestination());
    setup_.Kill();

    // The lock is a file in the Windows folder: held by anybody, or with
    // anything else at its name, no setup runs.
    char lock[MAX_PATH];
    GetSystemWindowsDirectoryA(lock, MAX_PATH);
    const std::string lockFile = std::string(lock) + "\\" + SetupLockName;
    HANDLE holder = CreateFileA(lockFile.c_str(), GENERIC_READ, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);
    EXPECT_EQ(1618u, Run("/S", &shown));
    CloseHandle(holder);
    DeleteFileA(lockFile.c_str());
    ASSERT_TRUE(CreateDirectoryA(lockFile.c_str(), nullptr));
    EXPECT_EQ(1618u, Run("/S", &shown));
    RemoveDirectoryA(lockFile.c_str());
    EXPECT_TRUE(NothingInstalled(kDefaultDestination));
    // Quoted whole, /D= is one argument among others.
    const std::string quoted = "C:\\kova_e2e\\Program Files\\KOVA 17";
    EXPECT_EQ(0u, Run("\"/D=" + quoted + "\" /S", &shown));
    ExpectInstalledIn(quoted);
}

// A deployment system's service account: no desktop, so no Program Manager,
// and no user whose profile would get the configuration.
TEST_F(Unattended, WithoutADesktopShortcutsAndEachUsersStepAtLogon)
{
    // Under Wine a program started while the desktop is held cannot start
    // at all; so the run starts first, over an earlier installation whose
    // uninstaller takes a few seconds, and the desktop is held meanwhile:
    // by the time of the program group nobody answers.
    const std::string dest = "C:\\kova_e2e\\silent\\service";
    const std::string log = std::string(kScratchTemp) + "\\service.log";
    ASSERT_TRUE(MakeDirectories(dest));
    ASSERT_TRUE(WriteWholeFile(dest + "\\kova.exe", "old program"));
    ASSERT_TRUE(CopyOneFile(WindowsPath(KOVA_SLOW_UNINSTALLER), dest + "\\uninstal.exe"));
    SetupProcess setup;
    SetupOptions options;
    options.arguments = "/S /ALLUSERS \"/LOG=" + log + "\" /D=" + dest;
    options.unattended = true;
    options.currentDir = kSetupDir;
    options.environment = {std::string("TEMP=") + kScratchTemp, std::string("UserProfile=") + kScratchProfile,
                           "KOVAWIN_LIB=C:\\Data\\Libs"};
    ASSERT_TRUE(setup.Start(options));
    std::string text;
    ASSERT_TRUE(WaitUntil([&] { return ReadWholeFile(log, &text) && text.find("replace: started") != std::string::npos; },
                          20000));
    Sleep(1000);  // the uninstaller has started too
    {
        // Held until the run has logged its end: under Wine a program cannot
        // even end while the desktop is held.
        DesktopSuspended noDesktop;
        ASSERT_GT(noDesktop.Threads(), 0u) << "no desktop process to hold";
        EXPECT_TRUE(WaitUntil([&] { return ReadWholeFile(log, &text) && text.find("exit code") != std::string::npos; },
                              90000));
    }
    int shown = setup.WindowsShownUntilExit(30000);
    DWORD code = setup.ExitCode();
    ASSERT_TRUE(ReadWholeFile(log, &text));
    EXPECT_NE(std::string::npos, text.find("made as shortcut files")) << text;
    EXPECT_EQ(0u, code);
    EXPECT_EQ(0, shown);
    char common[MAX_PATH] = "";
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, common, CSIDL_COMMON_PROGRAMS, FALSE));
    // Each link as Program Manager makes an item: started in its program's
    // folder, without arguments, under the program's own icon.
    for (const char* item : {"KOVA", "Getting Started with KOVA"}) {
        std::string target;
        LinkSettings settings;
        EXPECT_TRUE(ResolveLink(std::string(common) + "\\KOVAwin\\" + item + ".lnk", &target, &settings)) << item;
        EXPECT_EQ(dest + (item[1] == 'O' ? "\\kovamain.exe" : "\\Getting Started with KOVA.html"), target);
        EXPECT_EQ(dest, settings.workingDir) << item;
        EXPECT_EQ("", settings.arguments) << item;
        EXPECT_EQ(target + ",0", settings.icon) << item;
    }

    // What Windows runs at another user's logon.
    std::string stubPath;
    ASSERT_TRUE(ReadString(HKEY_LOCAL_MACHINE, (std::string(ActiveSetupKey) + "\\" + ActiveSetupId).c_str(),
                           StubPathValue, &stubPath));
    EXPECT_EQ(0u, stubPath.find("\"" + dest + "\\kovauser.exe\" /USERSTEP")) << stubPath;
    const std::string other = std::string(kScratchRoot) + "\\other user";
    const std::string userFile = other + "\\KOVA_TMP\\tarndaemon.conf";
    ASSERT_TRUE(MakeDirectories(other));
    auto logOn = [&](const std::string& profile) {
        SetupOptions options;
        options.environment = {"UserProfile=" + profile, std::string("TEMP=") + kScratchTemp};
        options.unsetNames = {"KOVAWIN_LIB"};
        HANDLE step = StartProgram(stubPath, nullptr, &options);
        DWORD code = DWORD(-1);
        EXPECT_NE(nullptr, step);
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(step, 30000));
        GetExitCodeProcess(step, &code);
        CloseHandle(step);
        return code;
    };
    EXPECT_EQ(0u, logOn(other));
    std::string first;
    ASSERT_TRUE(ReadWholeFile(userFile, &first));
    EXPECT_NE(std::string::npos, first.find("# Tarndaemon configuration file"));
    EXPECT_NE(std::string::npos, first.find("LibraryPath\t\"C:/Data/Libs\"\r\n")) << first;
    // An existing file of the user's is merged as the finishing step merges it.
    ASSERT_TRUE(WriteWholeFile(userFile, "# Mine\r\nWellKnownPort\t9239\r\nLibraryPath \"X:/old\"\r\n"));
    logOn(other);
    std::string second;
    ASSERT_TRUE(ReadWholeFile(userFile, &second));
    EXPECT_EQ("\r\n\r\n# Mine\r\nWellKnownPort 9239\r\n\r\nServerComment\t\"#Libraries in C:/Data/Libs\"\r\n\r\n"
              "LibraryPath\t\"C:/Data/Libs\"\r\n",
              second);

    // Windows runs it with each user's own rights: a small program of its
    // own, whose manifest asks for no elevation; once the product is gone,
    // it does nothing.
    const std::string logonProgram = dest + "\\kovauser.exe";
    WIN32_FILE_ATTRIBUTE_DATA program;
    ASSERT_TRUE(GetFileAttributesExA(logonProgram.c_str(), GetFileExInfoStandard, &program));
    EXPECT_LT(program.nFileSizeLow, 64u * 1024) << "kovauser.exe carries more than the logon step";
    const std::string manifest = ManifestOf(logonProgram);
    EXPECT_NE(std::string::npos, manifest.find(" level=\"asInvoker\"")) << manifest;
    EXPECT_EQ(std::string::npos, manifest.find("requireAdministrator")) << manifest;
    ASSERT_TRUE(DeleteFileA((dest + "\\kovamain.exe").c_str()));
    const std::string third = std::string(kScratchRoot) + "\\third user";
    ASSERT_TRUE(MakeDirectories(third));
    EXPECT_EQ(0u, logOn(third));
    EXPECT_TRUE(ListDirectory(third).empty());
}

// A deployment's session has a desktop but no shell: the run, started while
// the desktop does not answer at all, ends in time all the same.
TEST_F(Unattended, StartedWhileTheDesktopIsHeldItEndsInTime)
{
    const std::string dest = "C:\\kova_e2e\\silent\\no shell";
    const std::string log = std::string(kScratchTemp) + "\\no shell.log";
    DWORD start = GetTickCount();
    {
        DesktopSuspended noDesktop;
        ASSERT_GT(noDesktop.Threads(), 0u) << "no desktop process to hold";
        SetupProcess setup;
        SetupOptions options;
        options.arguments = "/S \"/LOG=" + log + "\" /D=" + dest;
        options.unattended = true;
        options.environment = {std::string("TEMP=") + kScratchTemp, std::string("UserProfile=") + kScratchProfile};
        ASSERT_TRUE(setup.Start(options));
        // Under Wine a program cannot even end while the desktop is held:
        // its log's last line is the end of the run.
        std::string text;
        bool logged = WaitUntil([&] { return ReadWholeFile(log, &text) && text.find("exit code") != std::string::npos; },
                                60000);
        std::printf("the run took %lu ms\n", GetTickCount() - start);
        ASSERT_TRUE(logged) << "no end after 60 s; its log:\n" << text;
        EXPECT_NE(std::string::npos, text.find("exit code 0")) << text;
        EXPECT_NE(std::string::npos, text.find("made as shortcut files")) << text;
    }
    ExpectInstalledIn(dest);
}

TEST_F(Unattended, WithoutADesktopTheWizardEndsOnTheErrorPage)
{
    ASSERT_TRUE(StartSetup());
    ASSERT_TRUE(WalkToDestination());
    ASSERT_TRUE(WalkToReady("C:\\kova_e2e\\wizard without desktop"));
    DesktopSuspended noDesktop;
    ASSERT_GT(noDesktop.Threads(), 0u);
    setup_.ClickMain(IDC_NEXT);
    ASSERT_NE(nullptr, setup_.WaitForPage(kNotCompleted, 40000)) << "on " << setup_.PageTitle();
    EXPECT_TRUE(setup_.PageHasText("groups could not be created"));
}
