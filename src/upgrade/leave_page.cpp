// The leave step of each page: what the wizard decides between pages, and
// the removal of an earlier installation.
#include <windows.h>
#include <io.h>
#include <cstdio>
#include <cstring>

#include "frame/descriptor.h"
#include "frame/frame.h"
#include "frame/product_tables.h"
#include "frame/wizard.h"
#include "pages/pages.h"
#include "pages/paths.h"
#include "upgrade/upgrade.h"

namespace {

void SetDestinationTemplate(const char* name)
{
    if (Descriptor.PageTemplates)
        Descriptor.PageTemplates[PageDestination] = name;
}

// A destination from which some file's path would pass 259 characters is
// refused before anything is created: the copy could not finish there.
bool DestinationTooLong()
{
    uint32_t limit = LongestDestinationLength();
    if (std::strlen(DestinationDir) <= limit)
        return false;
    char text[256];
    std::snprintf(text, sizeof text,
                  "The destination directory is too long. Please choose a directory of at most %u characters.",
                  unsigned(limit));
    MessageBoxA(nullptr, text, "Install", MB_OK);
    return true;
}

int LeaveDestinationPage(HWND runningProduct)
{
    if (DestinationTooLong())
        return 0;
    if (!IsDirectory(DestinationDir) && !CreateDirectoryPath(DestinationDir)) {
        SetDestinationTemplate("DESTDIRDLG2");
        return 3;
    }
    if (runningProduct) {
        MessageBoxA(nullptr,
                    "A copy of KOVA is already running. Please close the application before continuing with the installation.",
                    "Install", MB_OK);
        return 0;
    }
    SetPageInList(PageReplace, FindOldProgram());
    return 1;
}

bool IsFileInDestination(const char* name)
{
    char path[MAX_PATH];
    return JoinPath(path, sizeof path, DestinationDir, name) && IsExistingFile(path);
}

// Processes of the job still running; 0 when they cannot be counted.
DWORD ActiveProcesses(HANDLE job)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr))
        return 0;
    return info.ActiveProcesses;
}

// Waits, window alive and at most `limitMs` in all, for the started process
// and then for every process it started in turn (an uninstaller that copies
// itself to TEMP, starts the copy and exits does its work there). Without a
// job only the started process is waited for.
bool WaitForUninstaller(HANDLE process, HANDLE job, DWORD limitMs)
{
    const DWORD PollMs = 100;
    DWORD start = GetTickCount();
    bool goOn = WaitWithWindowAlive(process, limitMs);
    while (goOn && job && ActiveProcesses(job) > 0) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= limitMs)
            break;
        // A job is not signalled when its processes end: it is looked at again.
        goOn = WaitWithWindowAlive(job, limitMs - elapsed < PollMs ? limitMs - elapsed : PollMs);
    }
    return goOn;
}

// Starts the uninstaller suspended inside a new job, so that what it starts
// belongs to the job too; `job` is null when none could be made or joined
// (a system whose installer already runs in a job that allows no other).
bool StartUninstaller(const char* uninstaller, char* commandLine, PROCESS_INFORMATION* process, HANDLE* job)
{
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    *job = CreateJobObjectA(nullptr, nullptr);
    if (!CreateProcessA(uninstaller, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW | CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, process)) {
        if (*job)
            CloseHandle(*job);
        *job = nullptr;
        return false;
    }
    if (*job && !AssignProcessToJobObject(*job, process->hProcess)) {
        CloseHandle(*job);
        *job = nullptr;
    }
    ResumeThread(process->hThread);
    CloseHandle(process->hThread);
    return true;
}

void SetString(HKEY key, const char* name, const char* text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text) + 1));
}

} // namespace

int LeavePage(int pageId)
{
    HWND runningProduct = FindWindowA(ProductWindowClass, nullptr);
    SetDestinationTemplate("DESTDIRDLG1");
    switch (pageId) {
    case PageWelcome:
        SelectChosenComponents();
        SetPageInList(PageNoTemplate, false);
        return 1;
    case PageDestination:
        return LeaveDestinationPage(runningProduct);
    case PageReplace:
        return RemoveOldInstallation() ? 1 : 0;
    case PageRegistry:
        if (ProgramSelected)
            WriteUninstallEntry();
        return 1;
    default:
        return 1;
    }
}

bool FindOldProgram()
{
    if (!ProgramSelected)
        return false;
    return IsFileInDestination(EarlierProgramFiles[0]) || IsFileInDestination(EarlierProgramFiles[1]);
}

bool RemoveOldInstallation()
{
    char uninstaller[MAX_PATH];
    char commandLine[MAX_PATH + 8];
    bool goOn = true;
    if (!JoinPath(uninstaller, sizeof uninstaller, DestinationDir, UninstallerName))
        return true;
    if (_access(uninstaller, 0) != 0) {
        DeleteDirectoryFiles(DestinationDir);
        return true;
    }
    // Quoted, and named as the program too: unquoted, a path with a blank
    // such as C:\Program Files\... would first run C:\Program.exe.
    std::snprintf(commandLine, sizeof commandLine, "\"%s\"%s", uninstaller, UninstallerSwitch);
    PROCESS_INFORMATION process;
    HANDLE job = nullptr;
    bool started = StartUninstaller(uninstaller, commandLine, &process, &job);
    for (const char* name : OlderUninstallKeys)
        DeleteUninstallKey(name);
    if (started) {
        // The uninstaller works in the folder this installation is about to
        // fill, and registers boot-time deletes of itself and the folder: it
        // must be done before anything is copied, so that the copy does not
        // meet it running and the finishing step sees what it registered.
        goOn = WaitForUninstaller(process.hProcess, job, UninstallerWaitMs);
        CloseHandle(process.hProcess);
    }
    if (job)
        CloseHandle(job);
    return goOn;
}

void DeleteDirectoryFiles(const char* dir)
{
    char pattern[MAX_PATH];
    char path[MAX_PATH];
    WIN32_FIND_DATAA found;
    if (!JoinPath(pattern, sizeof pattern, dir, "*.*"))
        return;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        // Directories refuse DeleteFileA, so only files go.
        if (JoinPath(path, sizeof path, dir, found.cFileName))
            DeleteFileA(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

long DeleteUninstallKey(const char* name)
{
    char path[MAX_PATH];
    if (!JoinPath(path, sizeof path, UninstallRoot, name))
        return ERROR_INVALID_PARAMETER;
    HKEY key;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    RegCloseKey(key);
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path) == ERROR_SUCCESS ? 1 : 0;
}

void WriteUninstallEntry()
{
    char keyPath[MAX_PATH];
    char uninstaller[MAX_PATH + 2];
    char icon[MAX_PATH];
    HKEY key;
    if (JoinPath(keyPath, sizeof keyPath, UninstallRoot, UninstallKeyName) &&
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        // Quoted: the uninstall panel runs this as a command line, and an
        // unquoted path with a blank would first run C:\Program.exe.
        QuotedPath(uninstaller, sizeof uninstaller, DestinationDir, UninstallerName);
        JoinPath(icon, sizeof icon, DestinationDir, MainProgramName);
        DWORD size = InstalledSizeKb();
        SetString(key, "DisplayName", UninstallDisplayName);
        SetString(key, "UninstallString", uninstaller);
        SetString(key, "DisplayIcon", icon);
        SetString(key, "Publisher", UninstallPublisher);
        SetString(key, "DisplayVersion", UninstallDisplayVersion);
        RegSetValueExA(key, "EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size);
        RegCloseKey(key);
    }
    RegSetValueA(HKEY_LOCAL_MACHINE, ProductKey, REG_SZ, ProductIdentity, DWORD(std::strlen(ProductIdentity) + 1));
}
