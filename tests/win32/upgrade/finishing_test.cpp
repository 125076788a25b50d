// The finishing step with its real environment: files under a scratch
// directory, Wine's registry, Wine's cmd.exe and message boxes.
#include <windows.h>
#include <tlhelp32.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "message_box.h"
#include "scratch_files.h"
#include "core/registry_names.h"
#include "pages/paths.h"
#include "frame/host.h"
#include "upgrade/finishing.h"
#include "core/server_config.h"

namespace {

const char ScratchRoot[] = "C:\\kova-finishing-tests";
// The two values, in wide characters (their names are ASCII).
const std::wstring PendingNames[] = {
    std::wstring(PendingOperationsValues[0], PendingOperationsValues[0] + std::strlen(PendingOperationsValues[0])),
    std::wstring(PendingOperationsValues[1], PendingOperationsValues[1] + std::strlen(PendingOperationsValues[1])),
};
const wchar_t* const PendingName = PendingNames[0].c_str();
const wchar_t* const PendingName2 = PendingNames[1].c_str();

// The shipped default file, as installed into the destination.
const char ShippedText[] =
    "#\r\n# Tarndaemon configuration file\r\n#\r\n"
    "# Note: The lines starting with hash (#) character are commented out (inactive) keywords\r\n\r\n"
    "# WellKnownPort      9239\r\n"
    "# ServerComment      \"#Libraries in c:\\libraries\"\r\n\r\n"
    "# LibraryPath        \"c:\\libraries\"\r\n\r\n"
    "# LogFile            \"c:\\temp\\tarndaemon.log\"\r\n"
    "# MaxLogSize         5\r\n"
    "# MaxLogBackups      10\r\n\r\n"
    "# End of configuration file";

const char ShippedMergedWithLibs[] =
    "\r\n\r\n#\r\n# Tarndaemon configuration file\r\n#\r\n"
    "# Note: The lines starting with hash (#) character are commented out (inactive) keywords\r\n"
    "# WellKnownPort      9239\r\n"
    "# LogFile            \"c:\\temp\\tarndaemon.log\"\r\n"
    "# MaxLogSize         5\r\n"
    "# MaxLogBackups      10\r\n"
    "# End of configuration file\r\n"
    "ServerComment\t\"#Libraries in D:/Libs\"\r\n\r\n"
    "LibraryPath\t\"D:/Libs\"\r\n";

const char* const ObsoleteNames[] = {
    "zrxtr32x.dll", "zr243a32.dll", "zr251a32.dll", "zr256a32.dll", "zr258a32.dll", "kovaunst.exe"
};

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadBytes(const std::string& path)
{
    std::string bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

std::string ShortPath(const std::string& path)
{
    char shortPath[MAX_PATH];
    DWORD n = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    EXPECT_GT(n, 0u) << path;
    return n ? std::string(shortPath, n) : path;
}

std::string WithCase(std::string s, bool upper)
{
    for (char& c : s)
        c = upper ? char(toupper((unsigned char)c)) : char(tolower((unsigned char)c));
    return s;
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size() + 1, L'\0');
    wide.resize(MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], int(wide.size())) - 1);
    return wide;
}

// PendingFileRenameOperations pairs, in wide characters as other programs
// may write them.
typedef std::vector<std::pair<std::wstring, std::wstring>> Pairs;

std::wstring MultiString(const Pairs& pairs)
{
    std::wstring data;
    for (const auto& pair : pairs)
        data += pair.first + L'\0' + pair.second + L'\0';
    return data + L'\0';
}

// The command interpreters this process started that are still running.
std::vector<DWORD> RunningInterpreters()
{
    std::vector<DWORD> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ParentProcessID == GetCurrentProcessId() && lstrcmpiA(entry.szExeFile, "cmd.exe") == 0)
            found.push_back(entry.th32ProcessID);
    CloseHandle(snapshot);
    return found;
}

// Holds the first command interpreter this process starts, all its threads
// suspended, for `ms` from the moment it appears: a slow or stuck system.
class InterpreterHold {
public:
    explicit InterpreterHold(DWORD ms) : release_(CreateEventA(nullptr, TRUE, FALSE, nullptr)), worker_([this, ms] { Run(ms); }) {}
    ~InterpreterHold()
    {
        SetEvent(release_);
        worker_.join();
        CloseHandle(release_);
        // Under Wine an interpreter ended while held can leave its console
        // host behind, holding the test runner's output open. Only that host
        // goes: process ids are reused at once, so another process whose
        // parent once had the held interpreter's id (the desktop, started by
        // the session's first interpreter) must be left alone.
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
            if (!heldId_ || entry.th32ParentProcessID != heldId_ || lstrcmpiA(entry.szExeFile, "conhost.exe") != 0)
                continue;
            HANDLE child = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID);
            if (child) {
                TerminateProcess(child, 1);
                WaitForSingleObject(child, 5000);
                CloseHandle(child);
            }
        }
        CloseHandle(snapshot);
    }
    bool Held() const { return held_; }

private:
    void Run(DWORD ms)
    {
        std::vector<DWORD> found;
        while ((found = RunningInterpreters()).empty())
            if (WaitForSingleObject(release_, 1) == WAIT_OBJECT_0)
                return;
        heldId_ = found[0];
        std::vector<HANDLE> threads;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            HANDLE thread = entry.th32OwnerProcessID == found[0] ? OpenThread(THREAD_SUSPEND_RESUME, FALSE, entry.th32ThreadID) : nullptr;
            if (thread && SuspendThread(thread) != DWORD(-1))
                threads.push_back(thread);
        }
        CloseHandle(snapshot);
        held_ = !threads.empty();
        WaitForSingleObject(release_, ms);
        for (HANDLE thread : threads) {
            ResumeThread(thread);
            CloseHandle(thread);
        }
    }

    HANDLE release_;
    DWORD heldId_ = 0;
    std::atomic<bool> held_{false};
    std::thread worker_;
};

class FinishTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveTree(ScratchRoot);
        ASSERT_TRUE(CreateDirectoryA(ScratchRoot, nullptr));
        root = std::string(ScratchRoot) + "\\" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        profile = root + "\\Profile Folder";
        temp = root + "\\Temporary Files";
        std::string programFiles = root + "\\Program Files";
        destination = programFiles + "\\KOVAwin";
        for (const std::string& dir : {root, profile, temp, programFiles, destination})
            ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr)) << dir;
        userDir = profile + "\\KOVA_TMP";
        userCopy = userDir + "\\tarndaemon.conf";
        merged = temp + "\\tarndaemon.conf";
        WriteBytes(destination + "\\tarndaemon.conf", ShippedText);
        std::strcpy(DestinationDir, destination.c_str());
        SetEnv("UserProfile", profile.c_str());
        SetEnv("TEMP", temp.c_str());
        SetLibrary(nullptr);
        SavePending();
    }

    void TearDown() override
    {
        boxes.Stop();
        RestorePending();
        SetLibrary(nullptr);
        RemoveTree(ScratchRoot);
    }

    static void SetEnv(const char* name, const char* value)
    {
        std::string assignment = std::string(name) + "=" + (value ? value : "");
        ASSERT_EQ(_putenv(assignment.c_str()), 0);
    }

    // The library environment is filled before main; a test that changes
    // KOVAWIN_LIB fills it again.
    static void SetLibrary(const char* value)
    {
        SetEnv("KOVAWIN_LIB", value);
        InitLibraryEnvironment();
    }

    DWORD TimedFinish(int errorCode = 0)
    {
        DWORD start = GetTickCount();
        EXPECT_FALSE(FinishInstallation(CurrentSession(), errorCode));
        return GetTickCount() - start;
    }

    static HKEY OpenSessionManager()
    {
        HKEY key = nullptr;
        EXPECT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
        return key;
    }

    static bool ReadPending(std::wstring* data, const wchar_t* name = PendingName)
    {
        HKEY key = OpenSessionManager();
        DWORD type = 0;
        DWORD size = 0;
        bool present = RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
        if (present) {
            data->assign(size / sizeof(wchar_t), L'\0');
            EXPECT_EQ(RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&(*data)[0]), &size),
                      ERROR_SUCCESS);
            data->resize(size / sizeof(wchar_t));
            EXPECT_EQ(type, DWORD(REG_MULTI_SZ));
        }
        RegCloseKey(key);
        return present;
    }

    static void WritePending(const std::wstring* data, const wchar_t* name = PendingName)
    {
        HKEY key = OpenSessionManager();
        if (data)
            RegSetValueExW(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data->data()),
                           DWORD(data->size() * sizeof(wchar_t)));
        else
            RegDeleteValueW(key, name);
        RegCloseKey(key);
    }

    void SavePending()
    {
        hadPending = ReadPending(&savedPending);
        hadPending2 = ReadPending(&savedPending2, PendingName2);
    }
    void RestorePending()
    {
        WritePending(hadPending ? &savedPending : nullptr);
        WritePending(hadPending2 ? &savedPending2 : nullptr, PendingName2);
    }

    std::wstring Native(const std::string& path) { return L"\\??\\" + Wide(path); }

    std::string root, profile, temp, destination, userDir, userCopy, merged;
    bool hadPending = false, hadPending2 = false;
    std::wstring savedPending, savedPending2;
    BoxWatcher boxes;
};

TEST_F(FinishTest, FirstInstallationCopiesTheInstalledFile)
{
    DWORD elapsed = TimedFinish();
    EXPECT_EQ(ReadBytes(userCopy), ShippedText);
    EXPECT_FALSE(Exists(merged));
    EXPECT_TRUE(boxes.Boxes().empty());
    // The copy is there at the first look, after one pause.
    EXPECT_GE(elapsed, 500u);
    EXPECT_LT(elapsed, 1500u);
}

TEST_F(FinishTest, ExistingUserCopyStaysWithoutLibrary)
{
    ASSERT_TRUE(CreateDirectoryA(userDir.c_str(), nullptr));
    const std::string mine = "WellKnownPort\t1234\r\nLibraryPath \"c:\\mine\"";
    WriteBytes(userCopy, mine);
    TimedFinish();
    EXPECT_EQ(ReadBytes(userCopy), mine);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(FinishTest, LibraryIsMergedIntoTheInstalledCopy)
{
    SetLibrary("D:\\Libs");
    // A slow interpreter: the merged file must outlive the copy that reads it.
    InterpreterHold slow(2000);
    TimedFinish();
    EXPECT_TRUE(slow.Held());
    EXPECT_EQ(ReadBytes(userCopy), ShippedMergedWithLibs);
    EXPECT_FALSE(Exists(merged));
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(FinishTest, LibraryIsMergedIntoAnExistingCopy)
{
    SetLibrary("D:\\Libs");
    // Where copy asks before it overwrites, nobody could answer the hidden interpreter.
    SetEnv("COPYCMD", "/-Y");
    ASSERT_TRUE(CreateDirectoryA(userDir.c_str(), nullptr));
    WriteBytes(userCopy, "WellKnownPort\t1234\r\nLibraryPath \"c:\\mine\"\r\n# LogFile \"x\"");
    TimedFinish();
    EXPECT_EQ(ReadBytes(userCopy), "\r\n\r\nWellKnownPort 1234\r\n# LogFile \"x\"\r\n"
                                   "ServerComment\t\"#Libraries in D:/Libs\"\r\n\r\nLibraryPath\t\"D:/Libs\"\r\n");
    EXPECT_FALSE(Exists(merged));
    // A second installation merges its own result and keeps the directory once.
    TimedFinish();
    EXPECT_EQ(ReadBytes(userCopy), "\r\n\r\nWellKnownPort 1234\r\n# LogFile \"x\"\r\n\r\n"
                                   "ServerComment\t\"#Libraries in D:/Libs\"\r\n\r\nLibraryPath\t\"D:/Libs\"\r\n");
    EXPECT_TRUE(RunningInterpreters().empty());
    SetEnv("COPYCMD", nullptr);
}

TEST_F(FinishTest, InterpreterThatDoesNotEndIsEndedAndTheMergedFileStays)
{
    SetLibrary("D:\\Libs");
    InterpreterHold stuck(FinishWaitLimitMs + 5000);
    DWORD elapsed = TimedFinish();
    EXPECT_TRUE(stuck.Held());
    EXPECT_GE(elapsed, FinishWaitLimitMs);
    EXPECT_TRUE(RunningInterpreters().empty());
    EXPECT_EQ(ReadBytes(userCopy), ShippedText);
    EXPECT_TRUE(Exists(merged));
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Unable to update tarndaemon.conf file");
}

TEST_F(FinishTest, UsersFilesAreNeverTheMergesOutput)
{
    SetLibrary("D:\\Libs");
    // TEMP is the user's KOVA_TMP, spelt otherwise: the user's copy stays as it is.
    ASSERT_TRUE(CreateDirectoryA(userDir.c_str(), nullptr));
    const std::string mine = "WellKnownPort 1\r\n";
    WriteBytes(userCopy, mine);
    SetEnv("TEMP", (profile + "\\.\\kova_tmp\\").c_str());
    TimedFinish();
    EXPECT_EQ(ReadBytes(userCopy), mine);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, "Unable to update tarndaemon.conf file");

    // A file named KOVA_TMP is not the directory and is never written to.
    SetEnv("TEMP", temp.c_str());
    RemoveTree(userDir);
    WriteBytes(userDir, mine);
    TimedFinish();
    EXPECT_EQ(ReadBytes(userDir), mine);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[1].text, "Unable to create KOVA_TMP directory");
}

TEST_F(FinishTest, UnreadableUserCopyIsReportedAndLeftAlone)
{
    SetLibrary("D:\\Libs");
    ASSERT_TRUE(CreateDirectoryA(userDir.c_str(), nullptr));
    const std::string mine = "WellKnownPort 1\r\n";
    WriteBytes(userCopy, mine);
    HANDLE lock = CreateFileA(userCopy.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    TimedFinish();
    CloseHandle(lock);
    EXPECT_EQ(ReadBytes(userCopy), mine);
    EXPECT_FALSE(Exists(merged));
    std::vector<BoxWatcher::Box> shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, "KOVA Error");
    EXPECT_EQ(shown[0].text, "Unable to update tarndaemon.conf file");
}

TEST_F(FinishTest, UserCopyThatNeverAppearsEndsTheWait)
{
    std::string missing = root + "\\no such profile";
    SetEnv("UserProfile", missing.c_str());
    SetLibrary("D:\\Libs");
    DWORD elapsed = TimedFinish();
    EXPECT_GE(elapsed, FinishWaitLimitMs);
    EXPECT_LT(elapsed, FinishWaitLimitMs + 4000);
    EXPECT_FALSE(Exists(missing));
    // The merge finds no user copy and writes the library lines alone; the
    // command interpreter's copy then fails for want of the directory, which
    // is said, and the merged file stays for the user.
    std::vector<BoxWatcher::Box> shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[0].caption, "Error");  // the system's default caption
    EXPECT_EQ(shown[0].text, "Unable to create KOVA_TMP directory");
    EXPECT_EQ(shown[1].caption, "KOVA installation");
    EXPECT_EQ(shown[1].text, "Failed to copy file \n" + destination + "\\tarndaemon.conf to\n" + missing
                                 + "\\KOVA_TMP\\tarndaemon.conf, 3");
    EXPECT_EQ(shown[2].text, "Unable to update tarndaemon.conf file");
    EXPECT_TRUE(Exists(merged));
}

TEST_F(FinishTest, MissingVariablesSkipOnlyTheirSteps)
{
    SetLibrary("D:\\Libs");
    SetEnv("TEMP", nullptr);
    WriteBytes(destination + "\\kovaunst.exe", "old");
    TimedFinish();
    // Without TEMP there is nowhere to merge: the user gets the plain copy.
    EXPECT_EQ(ReadBytes(userCopy), ShippedText);
    EXPECT_FALSE(Exists(destination + "\\kovaunst.exe"));

    SetEnv("UserProfile", nullptr);
    SetEnv("TEMP", temp.c_str());
    RemoveTree(userDir);
    WriteBytes(merged, "stale");
    WriteBytes(destination + "\\kovaunst.exe", "old");
    DWORD elapsed = TimedFinish();
    EXPECT_FALSE(Exists(userDir));
    EXPECT_FALSE(Exists(merged));
    EXPECT_FALSE(Exists(destination + "\\kovaunst.exe"));
    EXPECT_LT(elapsed, 500u);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST_F(FinishTest, ObsoleteFilesGoOnlyWithoutError)
{
    for (const char* name : ObsoleteNames)
        WriteBytes(destination + "\\" + name, name);
    WriteBytes(destination + "\\zr259a32.dll", "keep");
    TimedFinish(12);
    for (const char* name : ObsoleteNames)
        EXPECT_TRUE(Exists(destination + "\\" + name)) << name;
    TimedFinish(0);
    for (const char* name : ObsoleteNames)
        EXPECT_FALSE(Exists(destination + "\\" + name)) << name;
    EXPECT_TRUE(Exists(destination + "\\zr259a32.dll"));
}

TEST_F(FinishTest, PendingOperationsOfTheNewInstallationAreCancelled)
{
    const std::string uninstaller = destination + "\\uninstal.exe";
    const std::string proxy = destination + "\\comproxy.dll";
    WriteBytes(uninstaller, "MZ");
    WriteBytes(proxy, "MZ");
    std::string shortUninstaller = ShortPath(uninstaller);
    ASSERT_NE(WithCase(shortUninstaller, true), WithCase(uninstaller, true));
    // Other programs' entries, one of them in no ANSI code page, stay unit for unit.
    Pairs unrelated = {{Native(root + "\\a.tmp"), Native(root + "\\b.tmp")},
                       {L"\\??\\C:\\\u0414\u043e\u043a\\\u6587\u66f8.kvx", L"\\??\\C:\\\u8349\u7a3f.kvx"},
                       {Native(temp + "\\gone.dll"), L""}};
    Pairs pending = {unrelated[0],
                     {Native(WithCase(shortUninstaller, true)), L""},
                     unrelated[1],
                     {Native(WithCase(proxy, false)), L""},
                     {Native(WithCase(ShortPath(destination), false)), L""},
                     unrelated[2]};
    std::wstring data = MultiString(pending);
    WritePending(&data);
    // Current Windows marks its sources ("*1\??\", "*2\??\") and, once the
    // second value exists, appends there.
    Pairs unrelated2 = {{L"*1" + Native(root + "\\c.tmp"), L"*1!" + Native(root + "\\d.tmp")}};
    Pairs pending2 = {{L"*1" + Native(WithCase(shortUninstaller, false)), L""},
                      unrelated2[0],
                      {L"*2" + Native(proxy), L""},
                      {L"*1" + Native(destination), L""}};
    std::wstring data2 = MultiString(pending2);
    WritePending(&data2, PendingName2);
    TimedFinish();
    std::wstring after;
    ASSERT_TRUE(ReadPending(&after));
    EXPECT_EQ(after, MultiString(unrelated));
    ASSERT_TRUE(ReadPending(&after, PendingName2));
    EXPECT_EQ(after, MultiString(unrelated2));
}

TEST_F(FinishTest, CancelRewritesOnlyWhenSomethingMatches)
{
    const std::string uninstaller = destination + "\\uninstal.exe";
    WriteBytes(uninstaller, "MZ");
    std::wstring only = MultiString({{Native(WithCase(ShortPath(uninstaller), false)), L""}});
    WritePending(&only);
    EXPECT_EQ(CancelPendingOperations(("\\??\\" + uninstaller).c_str()), 1);
    // A value with no pair left is gone: its presence alone says a restart is pending.
    std::wstring after;
    EXPECT_FALSE(ReadPending(&after));

    // No comproxy.dll in the destination: its entries stay.
    std::wstring proxyEntry = MultiString({{Native(destination + "\\comproxy.dll"), L""}});
    WritePending(&proxyEntry);
    EXPECT_EQ(CancelPendingOperations(("\\??\\" + destination + "\\comproxy.dll").c_str()), 0);
    ASSERT_TRUE(ReadPending(&after));
    EXPECT_EQ(after, proxyEntry);

    WritePending(nullptr);
    EXPECT_EQ(CancelPendingOperations(("\\??\\" + uninstaller).c_str()), 0);
    EXPECT_FALSE(ReadPending(&after));
}

}  // namespace
