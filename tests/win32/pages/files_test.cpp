// Path helpers, the default destination, and the steps that find and
// remove an earlier installation and write this one's uninstall entry.
#include <algorithm>

#include "pages_fixture.h"
#include "frame/host.h"
#include "upgrade/upgrade.h"
#include "system_folders.h"

using namespace kovatest;

namespace {

class PathsTest : public Fixture {};

TEST_F(PathsTest, FilesAndDirectoriesAreTold)
{
    ASSERT_TRUE(WriteText(In("file.txt")));
    ASSERT_TRUE(CreateDirectoryA(In("dir").c_str(), nullptr));
    EXPECT_TRUE(IsDirectory(In("dir").c_str()));
    EXPECT_FALSE(IsDirectory(In("file.txt").c_str()));
    EXPECT_FALSE(IsDirectory(In("missing").c_str()));
    EXPECT_TRUE(IsExistingFile(In("file.txt").c_str()));
    EXPECT_FALSE(IsExistingFile(In("dir").c_str()));
    EXPECT_FALSE(IsExistingFile(In("missing").c_str()));
    EXPECT_FALSE(IsExistingFile(""));
    EXPECT_FALSE(IsExistingFile(nullptr));
}

TEST_F(PathsTest, CreatesEveryMissingLevel)
{
    EXPECT_TRUE(CreateDirectoryPath(In("A\\B").c_str()));
    EXPECT_TRUE(IsDirectory(In("A").c_str()));
    EXPECT_TRUE(IsDirectory(In("A\\B").c_str()));
    // Existing levels and a trailing backslash are fine.
    EXPECT_TRUE(CreateDirectoryPath(In("A\\B\\C\\").c_str()));
    EXPECT_TRUE(IsDirectory(In("A\\B\\C").c_str()));
}

TEST_F(PathsTest, FailsWhereAFileBlocksTheWay)
{
    ASSERT_TRUE(WriteText(In("A")));
    EXPECT_FALSE(CreateDirectoryPath(In("A\\B").c_str()));
    EXPECT_TRUE(IsExistingFile(In("A").c_str()));
    // Levels made before the failure stay.
    EXPECT_FALSE(CreateDirectoryPath(In("Q\\R\\bad|name\\S").c_str()));
    EXPECT_TRUE(IsDirectory(In("Q\\R").c_str()));
}

TEST_F(PathsTest, RefusesPathsWithoutADrive)
{
    EXPECT_FALSE(CreateDirectoryPath("\\\\server\\share\\KOVA"));
    EXPECT_FALSE(CreateDirectoryPath("1:\\KOVA"));
    EXPECT_FALSE(CreateDirectoryPath(""));
    EXPECT_FALSE(CreateDirectoryPath("C"));
}

TEST_F(PathsTest, LongestDestinationIsHandledAndLongerRefused)
{
    // C:\kovatest\ then 50-character levels up to exactly 259 characters.
    std::string path = std::string(Scratch);
    while (path.size() + 51 <= 259)
        path += "\\" + std::string(50, 'L');
    path += "\\" + std::string(259 - path.size() - 1, 'E');
    ASSERT_EQ(259u, path.size());
    bool made = CreateDirectoryPath(path.c_str());
    EXPECT_EQ(made, IsDirectory(path.c_str()));
    // Every level but possibly the last (the file system may refuse a name
    // that long) exists: the walk reached the end of the path.
    std::string parent = path.substr(0, path.rfind('\\'));
    EXPECT_TRUE(IsDirectory(parent.c_str()));

    std::string tooLong = In("T\\") + std::string(260 - In("T\\").size(), 'x');
    ASSERT_EQ(260u, tooLong.size());
    EXPECT_FALSE(CreateDirectoryPath(tooLong.c_str()));
    EXPECT_FALSE(IsDirectory(In("T").c_str()));
}

class DefaultsTest : public Fixture {
protected:
    void SetUp() override
    {
        Fixture::SetUp();
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, WindowsVersionKey, 0,
                                               KEY_ALL_ACCESS, &key_));
        DWORD size = sizeof saved_ - 1;
        std::memset(saved_, 0, sizeof saved_);
        hadValue_ = RegQueryValueExA(key_, ProgramFilesValue, nullptr, nullptr, reinterpret_cast<BYTE*>(saved_),
                                     &size) == ERROR_SUCCESS;
    }
    void TearDown() override
    {
        if (hadValue_)
            SetProgramFiles(saved_);
        RegCloseKey(key_);
        Fixture::TearDown();
    }
    void SetProgramFiles(const char* value)
    {
        RegSetValueExA(key_, ProgramFilesValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       DWORD(std::strlen(value) + 1));
    }
    HKEY key_ = nullptr;
    char saved_[260];
    bool hadValue_ = false;
};

TEST_F(DefaultsTest, ProposesTheProgramFilesFolder)
{
    SetProgramFiles("D:\\Apps\\");
    SetDefaultDestination("KOVAwin");
    EXPECT_STREQ("D:\\Apps\\KOVAwin", DestinationDir);

    SetProgramFiles("D:\\Apps");
    SetDefaultDestination("KOVAwin");
    EXPECT_STREQ("D:\\Apps\\KOVAwin", DestinationDir);

    SetProgramFiles("");
    SetDefaultDestination("KOVAwin");
    EXPECT_STREQ("C:\\Program Files\\KOVAwin", DestinationDir);

    RegDeleteValueA(key_, ProgramFilesValue);
    SetDefaultDestination("KOVAwin");
    EXPECT_STREQ("C:\\Program Files\\KOVAwin", DestinationDir);
}

TEST_F(DefaultsTest, TakesAnEarlierFolderUnchanged)
{
    SetDefaultDestination("E:\\Tools\\KOVA");
    EXPECT_STREQ("E:\\Tools\\KOVA", DestinationDir);
    // Only the exact folder name means "under program files".
    SetDefaultDestination("kovawin");
    EXPECT_STREQ("kovawin", DestinationDir);
    SetDefaultDestination("");
    EXPECT_STREQ("kovawin", DestinationDir);
    SetDefaultDestination(nullptr);
    EXPECT_STREQ("kovawin", DestinationDir);
}

TEST_F(DefaultsTest, MeasuringTheDestinationSetsItsAllocationUnit)
{
    AllocationShift = 3;
    SetDestinationDir("C:\\anything");
    EXPECT_GE(AllocationShift, 9);
    AllocationShift = 3;
    SetDestinationDir("\\\\server\\share");
    EXPECT_EQ(3, AllocationShift);
}

TEST_F(DefaultsTest, SharedFilesDirectoryCountsOnTheDestinationDriveOnly)
{
    SetDestination("C:\\KOVA");
    EXPECT_EQ(nullptr, SharedFilesDirOnDestinationDrive());
    SetDefaultSharedFilesDir(nullptr, "Shared");
    SetDefaultSharedFilesDir("Brannvik", "");
    EXPECT_STREQ("", SharedFilesDir);

    SetDefaultSharedFilesDir("Brannvik", "Shared");
    EXPECT_EQ(CommonFilesFolder() + "\\Brannvik\\Shared", SharedFilesDir);
    EXPECT_EQ(SharedFilesDir, SharedFilesDirOnDestinationDrive());

    SetSharedFilesDir("c:\\shared");
    EXPECT_EQ(SharedFilesDir, SharedFilesDirOnDestinationDrive());
    SetDestination("d:\\KOVA");
    EXPECT_EQ(nullptr, SharedFilesDirOnDestinationDrive());
    SetSharedFilesDir("D:\\shared");
    EXPECT_EQ(SharedFilesDir, SharedFilesDirOnDestinationDrive());
}

class UpgradeTest : public Fixture {};

TEST_F(UpgradeTest, FindsAnEarlierProgramByEitherFile)
{
    SetDestination(Scratch);
    EXPECT_FALSE(FindOldProgram(CurrentSession()));

    ASSERT_TRUE(CreateDirectoryA(In("kova.exe").c_str(), nullptr));
    EXPECT_FALSE(FindOldProgram(CurrentSession())) << "a directory named kova.exe is no program";

    ASSERT_TRUE(WriteText(In("kovamain.exe")));
    EXPECT_TRUE(FindOldProgram(CurrentSession()));

    ProgramSelected = 0;
    EXPECT_FALSE(FindOldProgram(CurrentSession()));
    ProgramSelected = 1;

    DeleteFileA(In("kovamain.exe").c_str());
    RemoveDirectoryA(In("kova.exe").c_str());
    ASSERT_TRUE(WriteText(In("kova.exe")));
    EXPECT_TRUE(FindOldProgram(CurrentSession()));
}

TEST_F(UpgradeTest, DeletesFilesButNotSubdirectories)
{
    ASSERT_TRUE(WriteText(In("a.txt")));
    ASSERT_TRUE(WriteText(In("b.dll")));
    ASSERT_TRUE(CreateDirectoryA(In("sub").c_str(), nullptr));
    ASSERT_TRUE(WriteText(In("sub\\inner.txt")));
    DeleteDirectoryFiles(Scratch);
    EXPECT_FALSE(IsExistingFile(In("a.txt").c_str()));
    EXPECT_FALSE(IsExistingFile(In("b.dll").c_str()));
    EXPECT_TRUE(IsDirectory(In("sub").c_str()));
    EXPECT_TRUE(IsExistingFile(In("sub\\inner.txt").c_str()));
    EXPECT_TRUE(IsDirectory(Scratch));
    DeleteDirectoryFiles(In("missing").c_str());
}

TEST_F(UpgradeTest, WithoutUninstallerTheFilesGoAndOldKeysStay)
{
    std::string dest = In("old");
    ASSERT_TRUE(CreateDirectoryA(dest.c_str(), nullptr));
    ASSERT_TRUE(WriteText(dest + "\\kova.exe"));
    ASSERT_TRUE(CreateDirectoryA((dest + "\\lib").c_str(), nullptr));
    ASSERT_TRUE(WriteText(dest + "\\lib\\keep.kvx"));
    MakeKey(UninstallKeyOf("KOVA 15.0"));
    MakeKey(UninstallKeyOf("KOVA 16.1"));
    SetDestination(dest);

    RemoveOldInstallation(CurrentSession());
    EXPECT_FALSE(IsExistingFile((dest + "\\kova.exe").c_str()));
    EXPECT_TRUE(IsExistingFile((dest + "\\lib\\keep.kvx").c_str()));
    EXPECT_TRUE(KeyExists(UninstallKeyOf("KOVA 15.0")));
    EXPECT_TRUE(KeyExists(UninstallKeyOf("KOVA 16.1")));
}

TEST_F(UpgradeTest, StartsTheQuotedUninstallerNotTheProgramAtTheBlank)
{
    // "C:\kovatest\my app\uninstal.exe -s" unquoted would start C:\kovatest\my.exe.
    std::string dest = In("my app");
    std::string uninstaller = dest + "\\uninstal.exe";
    ASSERT_TRUE(CreateDirectoryA(dest.c_str(), nullptr));
    ASSERT_TRUE(CopyRecorder(uninstaller));
    ASSERT_TRUE(CopyRecorder(In("my.exe")));
    ASSERT_TRUE(WriteText(dest + "\\kova.exe"));
    MakeKey(UninstallKeyOf("KOVA 15.0"));
    MakeKey(UninstallKeyOf("KOVA 16.1"));
    MakeKey(UninstallKeyOf("KOVA 17.1"));
    SetDestination(dest);

    RemoveOldInstallation(CurrentSession());
    std::string record = WaitForRecord(record_, 1, 15000);
    Sleep(500);
    record = ReadText(record_);
    EXPECT_EQ(record, uninstaller + "|\"" + uninstaller + "\" -s\n");
    EXPECT_EQ(std::string::npos, record.find("my.exe")) << "the decoy ran";
    // The uninstaller does the removing; the installer leaves the files alone.
    EXPECT_TRUE(IsExistingFile((dest + "\\kova.exe").c_str()));
    EXPECT_FALSE(KeyExists(UninstallKeyOf("KOVA 15.0")));
    EXPECT_FALSE(KeyExists(UninstallKeyOf("KOVA 16.1")));
    EXPECT_TRUE(KeyExists(UninstallKeyOf("KOVA 17.1")));
}

TEST_F(UpgradeTest, AnUninstallerPastItsBoundIsEndedWithAllItStarted)
{
    SetDestination(Scratch);
    ASSERT_TRUE(CopyRecorder(In("uninstal.exe")));
    const std::string pids = In("hanging.txt");
    SetEnvironmentVariableA("KOVA_RECORD_HANG", pids.c_str());
    EXPECT_TRUE(RemoveOldInstallation(CurrentSession(), 3000));
    SetEnvironmentVariableA("KOVA_RECORD_HANG", nullptr);
    std::string started = ReadText(pids);
    ASSERT_EQ(2, std::count(started.begin(), started.end(), '\n')) << "the uninstaller and what it started";
    for (size_t at = 0; at < started.size(); at = started.find('\n', at) + 1) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, DWORD(std::stoul(started.substr(at))));
        EXPECT_TRUE(!process || WaitForSingleObject(process, 5000) == WAIT_OBJECT_0) << started;
        if (process)
            CloseHandle(process);
    }
}

TEST_F(UpgradeTest, OldKeysGoEvenWhenTheUninstallerCannotStart)
{
    SetDestination(Scratch);
    ASSERT_TRUE(WriteText(In("uninstal.exe"), "not a program"));
    MakeKey(UninstallKeyOf("KOVA 16.1"));
    RemoveOldInstallation(CurrentSession());
    EXPECT_FALSE(KeyExists(UninstallKeyOf("KOVA 16.1")));
    EXPECT_TRUE(IsExistingFile(In("uninstal.exe").c_str()));
}

TEST_F(UpgradeTest, DeleteUninstallKeyReportsWhatHappened)
{
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, DeleteUninstallKey("KOVA 15.0"));
    MakeKey(UninstallKeyOf("KOVA 15.0"));
    EXPECT_EQ(1, DeleteUninstallKey("KOVA 15.0"));
    EXPECT_FALSE(KeyExists(UninstallKeyOf("KOVA 15.0")));
}

std::string StringValue(HKEY key, const char* name, DWORD* type, DWORD* size)
{
    char data[600] = "";
    *size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, type, reinterpret_cast<BYTE*>(data), size) != ERROR_SUCCESS)
        return "<missing>";
    return data;
}

TEST_F(UpgradeTest, WritesTheUninstallEntryAndProductIdentity)
{
    SetDestination("C:\\Program Files\\KOVAwin");
    // 1000 and 1 bytes round to 1024 + 512 bytes: 2 kB.
    WriteUninstallEntry(CurrentSession());

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, UninstallKeyOf("KOVA 17.1").c_str(), 0,
                                           KEY_READ, &key));
    struct Expected {
        const char* name;
        const char* text;
    } strings[] = {
        {"DisplayName", "Kovalith 17.1"},
        {"UninstallString", "\"C:\\Program Files\\KOVAwin\\uninstal.exe\""},
        {"QuietUninstallString", "\"C:\\Program Files\\KOVAwin\\uninstal.exe\" -s"},
        {"InstallLocation", "C:\\Program Files\\KOVAwin"},
        {"DisplayIcon", "C:\\Program Files\\KOVAwin\\kovamain.exe"},
        {"Publisher", "Brannvik"},
        {"DisplayVersion", "17.1"},
    };
    for (const Expected& e : strings) {
        DWORD type = 0, size = 0;
        EXPECT_EQ(e.text, StringValue(key, e.name, &type, &size)) << e.name;
        EXPECT_EQ(DWORD(REG_SZ), type) << e.name;
        EXPECT_EQ(std::strlen(e.text) + 1, size) << e.name << ": the NUL is counted";
    }
    DWORD estimated = 0, type = 0, size = sizeof estimated;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryValueExA(key, "EstimatedSize", nullptr, &type, reinterpret_cast<BYTE*>(&estimated), &size));
    EXPECT_EQ(DWORD(REG_DWORD), type);
    EXPECT_EQ(2u, estimated);
    EXPECT_EQ(InstalledSizeKb(Descriptor.Files, AllocationShift, ProgramSelected != 0, DatabaseSelected != 0), estimated);
    DWORD count = 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    EXPECT_EQ(8u, count);
    RegCloseKey(key);

    char identity[64] = "";
    LONG length = sizeof identity;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueA(HKEY_LOCAL_MACHINE, ProductKey,
                                            identity, &length));
    EXPECT_STREQ("XBRT 550 713/2 R17B", identity);
}

} // namespace
