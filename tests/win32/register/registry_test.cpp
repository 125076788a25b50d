// The registry writer against Wine's registry.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstring>
#include <string>

#include "core/product_tables.h"
#include "core/registry_names.h"
#include "harness.h"
#include "message_box.h"
#include "register/registry.h"

namespace {

const std::string AppPathsKey = "SOFTWARE\\KovaTest\\CurrentVersion\\AppPaths";
const std::string SystemAppPaths = std::string(SystemAppPathsKey) + "\\";
const std::string UninstallKey = std::string(UninstallRoot) + "\\KovaTestUninstall";
// The machine's root for these tests; the classes view is its Software\Classes.
const char ScratchKey[] = "Software\\KovaTest Registry";
const char* const Question =
    "The file type \"kvx\" is already registered as \"%s\"\n\nDo you want to replace this by \"KOVA Library\"?";

FileTypeRow Selected(FileTypeRow row)
{
    row.Selected = 1;
    return row;
}

class RegistryTest : public WizardHarness {
protected:
    void SetUp() override
    {
        WizardHarness::SetUp();
        ClearKey(HKEY_CURRENT_USER, ScratchKey);
        ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, ScratchKey, &Machine), ERROR_SUCCESS);
        ASSERT_EQ(RegCreateKeyA(Machine, MachineClassesKey, &Classes), ERROR_SUCCESS);
        AimRegistryAt(Machine, Classes);
        SetDestinationPath("C:\\Program Files\\KOVA Test");
        SharedFilesDir[0] = '\0';
        Install.RegistryEntries = Rows;
        Install.FileTypes = Types;
        Session = InstallSession{&Install, DestinationDir, 1, WizardHost()};
        Writer = RegistryWriter{&Session, 0, nullptr, &Install};
        // The answering thread reads the captions of visible dialogs, which would
        // wait on this thread while it joins; engine tests need no visible window.
        ShowWindow(MainWindow, SW_HIDE);
    }
    void TearDown() override
    {
        AimRegistryAt(nullptr, nullptr);
        RegCloseKey(Classes);
        RegCloseKey(Machine);
        ClearKey(HKEY_CURRENT_USER, ScratchKey);
        WizardHarness::TearDown();
    }
    void SetDestinationPath(const char* path) { std::strcpy(DestinationDir, path); }
    std::string Prefix() { return std::string(DestinationDir) + (DestinationDir[0] && DestinationDir[std::strlen(DestinationDir) - 1] == '\\' ? "" : "\\"); }

    // The five file-type values, as this writer makes them.
    void ExpectFileType()
    {
        EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, ".kvx"), "kvxfile");
        EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxfile"), "KOVA Library");
        EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxfile\\DefaultIcon"), Prefix() + "kovamain.exe,-599");
        EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxfile\\Shell\\Open"), "&Open");
        EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxfile\\Shell\\Open\\command"), "\"" + Prefix() + "kovamain.exe\" \"%1\"");
    }
    // Runs the pass, answering a question with `button` if one comes; returns the text asked, or "".
    std::string RunAnswering(int button, int* result)
    {
        MessageBoxAnswer answer("Install", button, 1500);
        *result = WriteRegistry(&Writer);
        answer.Wait();
        return answer.Answered() ? answer.Text() : std::string();
    }
    void PlantForeignClass(const std::string& text)
    {
        WriteValue(HKEY_CLASSES_ROOT, ".kvx", "kvxforeign");
        WriteValue(HKEY_CLASSES_ROOT, "kvxforeign", text);
        WriteValue(HKEY_CLASSES_ROOT, "kvxforeign\\Shell\\Open\\command", "foreign.exe \"%1\"");
    }
    void PlantStaleClassKey() { WriteValue(HKEY_CLASSES_ROOT, "kvxfile\\Stale", "from an earlier release"); }

    RegistryRow Rows[2] = {
        {1, RootLocalMachineValue, AppPathsKey.c_str(), "kovamain.exe", 1, 1},
        {0, 0, nullptr, nullptr, 0, 0},
    };
    // The product's file type, selected.
    FileTypeRow Types[2] = {Selected(ProductFileTypes[0]), FileTypeRow{}};
    InstallDescriptor Install{};
    InstallSession Session{};
    RegistryWriter Writer{};
    HKEY Machine = nullptr;
    HKEY Classes = nullptr;
};

std::string Formatted(const char* format, const std::string& text)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer, format, text.c_str());
    return buffer;
}

// Counts the shell's association-change notifications while it lives.
class AssociationWatch {
public:
    AssociationWatch()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "KovaAssociationWatch";
        RegisterClassA(&windowClass);
        window_ = CreateWindowA("KovaAssociationWatch", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
        SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOP, &desktop_);
        SHChangeNotifyEntry entry = {desktop_, TRUE};
        id_ = SHChangeNotifyRegister(window_, SHCNRF_ShellLevel | SHCNRF_InterruptLevel, SHCNE_ASSOCCHANGED,
                                     Notified, 1, &entry);
        count_ = 0;
    }
    ~AssociationWatch()
    {
        SHChangeNotifyDeregister(id_);
        DestroyWindow(window_);
        CoTaskMemFree(desktop_);
    }
    bool Registered() const { return id_ != 0; }
    int Count()
    {
        PumpUntil([] { return count_ > 0; }, 1000);
        return count_;
    }

private:
    static const UINT Notified = WM_APP + 7;
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == Notified)
            ++count_;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    static int count_;
    HWND window_ = nullptr;
    LPITEMIDLIST desktop_ = nullptr;
    ULONG id_ = 0;
};
int AssociationWatch::count_ = 0;

} // namespace

TEST_F(RegistryTest, FirstPassWritesTheSixValuesWithoutAQuestion)
{
    AimRegistryAt(nullptr, nullptr);
    WriteValue(HKEY_LOCAL_MACHINE, AppPathsKey, "the machine's own");
    AimRegistryAt(Machine, Classes);
    int result = 0;
    AssociationWatch shell;
    ASSERT_TRUE(shell.Registered());
    EXPECT_EQ(RunAnswering(IDNO, &result), "");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Writer.ErrorCode, 0);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, AppPathsKey), "C:\\Program Files\\KOVA Test\\kovamain.exe");
    ExpectFileType();
    // The shell is told that an association changed.
    EXPECT_GE(shell.Count(), 1);
    // The pass went to the scratch key: the machine's own key kept its value.
    AimRegistryAt(nullptr, nullptr);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, AppPathsKey), "the machine's own");
    ClearKey(HKEY_LOCAL_MACHINE, "SOFTWARE\\KovaTest");
    AimRegistryAt(Machine, Classes);

    // A destination that already ends in '\' gets no second one.
    SetDestinationPath("D:\\Apps\\KOVA\\");
    EXPECT_EQ(RunAnswering(IDNO, &result), "");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, AppPathsKey), "D:\\Apps\\KOVA\\kovamain.exe");
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxfile\\Shell\\Open\\command"), "\"D:\\Apps\\KOVA\\kovamain.exe\" \"%1\"");
}

TEST_F(RegistryTest, ReinstallationRewritesTheWholeClassTree)
{
    WriteValue(HKEY_CLASSES_ROOT, ".kvx", "kvxfile");
    WriteValue(HKEY_CLASSES_ROOT, "kvxfile", "kova LIBRARY");
    WriteValue(HKEY_CLASSES_ROOT, "kvxfile\\Shell\\Print\\command", "old.exe /p \"%1\"");
    PlantStaleClassKey();
    int result = 0;
    EXPECT_EQ(RunAnswering(IDNO, &result), "");
    EXPECT_EQ(result, 1);
    ExpectFileType();
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "kvxfile\\Stale"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "kvxfile\\Shell\\Print"));
}

TEST_F(RegistryTest, ForeignClassAnsweredNoChangesNothingAndThePassGoesOn)
{
    UninstallRow uninstall[] = {{1, "KovaTestUninstall", "KOVA Test", "uninst.exe", 1}, {0, nullptr, nullptr, nullptr, 0}};
    Install.UninstallEntries = uninstall;
    PlantForeignClass("Foreign Viewer");
    int result = 0;
    EXPECT_EQ(RunAnswering(IDNO, &result), Formatted(Question, "Foreign Viewer"));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, ".kvx"), "kvxforeign");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "kvxfile"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxforeign"), "Foreign Viewer");
    // The step after the file types still ran.
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName"), "KOVA Test");
}

TEST_F(RegistryTest, ForeignClassAnsweredYesTakesTheExtensionOnly)
{
    PlantForeignClass("Foreign Viewer");
    int result = 0;
    EXPECT_EQ(RunAnswering(IDYES, &result), Formatted(Question, "Foreign Viewer"));
    EXPECT_EQ(result, 1);
    ExpectFileType();
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxforeign"), "Foreign Viewer");
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxforeign\\Shell\\Open\\command"), "foreign.exe \"%1\"");
}

TEST_F(RegistryTest, FortyCharacterTextsAreNotReadAndTheTypeIsTakenOver)
{
    int result = 0;
    // A class text of 39 characters still fits and is asked about.
    PlantForeignClass(std::string(39, 'c'));
    EXPECT_EQ(RunAnswering(IDNO, &result), Formatted(Question, std::string(39, 'c')));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, ".kvx"), "kvxforeign");

    // 40 characters: no question, kvxfile is deleted first and rewritten.
    PlantForeignClass(std::string(40, 'c'));
    PlantStaleClassKey();
    EXPECT_EQ(RunAnswering(IDNO, &result), "");
    ExpectFileType();
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "kvxfile\\Stale"));
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxforeign"), std::string(40, 'c'));

    // An extension value of 40 characters: no question, and kvxfile is not deleted first.
    WriteValue(HKEY_CLASSES_ROOT, ".kvx", std::string(40, 'x'));
    PlantStaleClassKey();
    EXPECT_EQ(RunAnswering(IDNO, &result), "");
    ExpectFileType();
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxfile\\Stale"), "from an earlier release");

    // The same 40 characters stored without a terminator, as another program may store them.
    HKEY extension = nullptr;
    ASSERT_EQ(RegCreateKeyA(RegistryRoot(HKEY_CLASSES_ROOT), ".kvx", &extension), ERROR_SUCCESS);
    RegSetValueExA(extension, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(std::string(40, 'x').data()), 40);
    RegCloseKey(extension);
    PlantStaleClassKey();
    EXPECT_EQ(RunAnswering(IDNO, &result), "");
    ExpectFileType();
    EXPECT_EQ(ReadValue(HKEY_CLASSES_ROOT, "kvxfile\\Stale"), "from an earlier release");
}

TEST_F(RegistryTest, ExtensionsTooLongForTheirKeysAreRefused)
{
    std::string extension(32, 'e');
    FileTypeRow row = {1, extension.c_str(), "Long", "a.exe", 1, "a.exe", 1};
    EXPECT_EQ(RegisterFileType(&Writer, &row, "C:\\D\\"), 0);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, "." + extension));
}

TEST_F(RegistryTest, DeleteKeyTreeLeavesOnlyTheSubkeyThatCannotGo)
{
    const std::string tree = "SOFTWARE\\KovaTest\\Tree";
    WriteValue(HKEY_LOCAL_MACHINE, tree + "\\a\\deep", "1");
    WriteValue(HKEY_LOCAL_MACHINE, tree + "\\" + std::string(200, 'n'), "2"); // a name longer than 100 bytes
    WriteValue(HKEY_LOCAL_MACHINE, tree + "\\z", "3");

    // A symbolic link to a key that does not exist: the registry opens links by
    // following them, so the link can neither be opened nor deleted this way.
    HKEY parent = nullptr;
    HKEY link = nullptr;
    ASSERT_EQ(RegOpenKeyExA(RegistryRoot(HKEY_LOCAL_MACHINE), tree.c_str(), 0, KEY_ALL_ACCESS, &parent), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExA(parent, "m-link", 0, nullptr, REG_OPTION_VOLATILE | REG_OPTION_CREATE_LINK,
                              KEY_ALL_ACCESS, nullptr, &link, nullptr),
              ERROR_SUCCESS);
    const wchar_t target[] = L"\\Registry\\Machine\\Software\\KovaTest\\Nowhere";
    ASSERT_EQ(RegSetValueExA(link, "SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(target),
                             sizeof target - sizeof(wchar_t)),
              ERROR_SUCCESS);
    RegCloseKey(link);
    HKEY probe = nullptr;
    ASSERT_NE(RegOpenKeyA(parent, "m-link", &probe), ERROR_SUCCESS);

    EXPECT_EQ(DeleteKeyTree(HKEY_LOCAL_MACHINE, tree.c_str()), 0);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, tree));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, tree + "\\a"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, tree + "\\" + std::string(200, 'n')));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, tree + "\\z"));
    char name[256];
    EXPECT_EQ(RegEnumKeyA(parent, 0, name, sizeof name), ERROR_SUCCESS);
    EXPECT_STREQ(name, "m-link");
    EXPECT_NE(RegEnumKeyA(parent, 1, name, sizeof name), ERROR_SUCCESS);

    // The link is volatile; open it as a link to take it away.
    typedef LONG(WINAPI * DeleteKeyFn)(HANDLE);
    DeleteKeyFn deleteKey = reinterpret_cast<DeleteKeyFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtDeleteKey")));
    if (deleteKey && RegOpenKeyExA(parent, "m-link", REG_OPTION_OPEN_LINK, KEY_ALL_ACCESS, &link) == ERROR_SUCCESS) {
        deleteKey(link);
        RegCloseKey(link);
    }
    RegCloseKey(parent);
    EXPECT_EQ(DeleteKeyTree(HKEY_LOCAL_MACHINE, tree.c_str()), 1);
}

TEST_F(RegistryTest, SharedFilesRegistrationCountsEachProductOnce)
{
    FileEntry files[4] = {};
    files[0].ComponentKey = 1, files[0].Name = "kovatest1.exe", files[0].Selected = 1;
    files[1].ComponentKey = 1, files[1].Name = "readme.txt", files[1].Selected = 1;
    files[2].ComponentKey = 1, files[2].Name = "kovatest2.EXE", files[2].Selected = 0;
    UninstallRow uninstall[] = {{1, "KovaTestUninstall", "KOVA Test", "uninst.exe", 1}, {0, nullptr, nullptr, nullptr, 0}};
    std::string longName(40, 's');
    Install.Files = files;
    Install.ProductKey = "SOFTWARE\\KovaTest\\ProductA";
    Install.VendorKey = "SOFTWARE\\KovaTest";
    Install.SharedSubfolder = "Common";
    Install.SharedName = longName.c_str();
    Install.UninstallEntries = uninstall;
    const std::string counter = "SOFTWARE\\KovaTest\\Common\\Shared";

    // On another drive than the destination: nothing is registered.
    std::strcpy(SharedFilesDir, "D:\\Shared\\KovaTest");
    EXPECT_EQ(RegisterSharedFiles(&Writer), 1);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, counter));

    std::strcpy(SharedFilesDir, "c:\\Shared\\KovaTest");
    int result = 0;
    RunAnswering(IDNO, &result);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\KovaTest\\ProductA\\Shared"), longName);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, counter, longName.c_str()), "1");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, SystemAppPaths + "kovatest1.exe"), "C:\\Program Files\\KOVA Test\\kovatest1.exe");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, SystemAppPaths + "kovatest1.exe", "Path"), "c:\\Shared\\KovaTest");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, SystemAppPaths + "kovatest2.EXE"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, SystemAppPaths + "readme.txt"));
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, UninstallKey, "DisplayName"), "KOVA Test");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, UninstallKey, "UninstallString"), "\"C:\\Program Files\\KOVA Test\\uninst.exe\"");

    // A rerun of the same product leaves the count; a second product raises it.
    RunAnswering(IDNO, &result);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, counter, longName.c_str()), "1");
    Install.ProductKey = "SOFTWARE\\KovaTest\\ProductB";
    RunAnswering(IDNO, &result);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, counter, longName.c_str()), "2");

    // A file name with a directory in it is refused without an error code.
    Writer.ErrorCode = 0;
    EXPECT_EQ(RegisterAppPath(&Writer, "bin\\kovatest1.exe"), 0);
    EXPECT_EQ(Writer.ErrorCode, 0);
}

TEST_F(RegistryTest, PageMovesOnAfterThePass)
{
    Descriptor.RegistryEntries = Rows;
    Descriptor.FileTypes = Types;
    ShowWorkPage("REGISTRYDLG", RegistryPageProc);
    EXPECT_EQ(PageTitle(), "Updating registry");
    char caption[32] = "";
    GetDlgItemTextA(MainWindow, IDC_EXIT, caption, sizeof caption);
    EXPECT_STREQ(caption, "Abort");
    DWORD start = GetTickCount();
    ASSERT_TRUE(PumpUntil([&] { return MovedOn(); }, 5000));
    EXPECT_GE(GetTickCount() - start, 350u); // the 400 ms timer
    EXPECT_EQ(InstallError, 0);
    EXPECT_EQ(CurrentRegistryWriter, nullptr);
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, AppPathsKey), "C:\\Program Files\\KOVA Test\\kovamain.exe");
    ExpectFileType();
}

TEST_F(RegistryTest, StopAskedAfterTheRowEndsOnInstallationAborted)
{
    Descriptor.RegistryEntries = Rows;
    Descriptor.FileTypes = Types;
    StopRequested = 1; // Exit pressed before the pass: seen after the first row
    ShowWindow(MainWindow, SW_SHOW);
    MessageBoxAnswer answer("Install", IDYES, 5000);
    ShowWorkPage("REGISTRYDLG", RegistryPageProc);
    ASSERT_TRUE(PumpUntil([&] { return OnErrorPage(); }, 5000));
    answer.Wait();
    EXPECT_EQ(answer.Text(), "Do you want to stop the installation?");
    EXPECT_EQ(InstallError, ErrAborted);
    EXPECT_EQ(ErrorText(), "Installation aborted.");
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, AppPathsKey), "C:\\Program Files\\KOVA Test\\kovamain.exe");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".kvx"));
}

TEST_F(RegistryTest, KeyTheRegistryRefusesEndsOnCannotCreateRegistryEntry)
{
    std::string refused = "SOFTWARE\\KovaTest\\" + std::string(300, 'k'); // longer than a key name may be
    Rows[0].SubKey = refused.c_str();
    Descriptor.RegistryEntries = Rows;
    Descriptor.FileTypes = Types;
    ShowWorkPage("REGISTRYDLG", RegistryPageProc);
    ASSERT_TRUE(PumpUntil([&] { return OnErrorPage(); }, 5000));
    EXPECT_EQ(InstallError, ErrRegistry);
    EXPECT_EQ(ErrorText(), "Cannot create registry entry.");
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, ".kvx"));
}
