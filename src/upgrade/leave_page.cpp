// The leave step of each page: what the wizard decides between pages, and
// the removal of an earlier installation.
#include <windows.h>
#include <cstdio>
#include <cstring>

#include "core/descriptor.h"
#include "core/file_exists.h"
#include "core/product_tables.h"
#include "core/text_format.h"
#include "frame/frame.h"
#include "frame/host.h"
#include "frame/setup_log.h"
#include "frame/wizard.h"
#include "pages/pages.h"
#include "pages/paths.h"
#include "register/reg_layer.h"
#include "upgrade/upgrade.h"

namespace {

void SetDestinationTemplate(const char* name)
{
    if (Descriptor.PageTemplates)
        Descriptor.PageTemplates[PageDestination] = name;
}

LeaveResult LeaveDestinationPage(InstallSession* session, HWND runningProduct)
{
    switch (CheckDestination(session, runningProduct)) {
    case DestinationNotCreated:
        SetDestinationTemplate("DESTDIRDLG2");
        return LeaveShowAgain;
    case DestinationUsable:
        SetPageInList(PageReplace, FindOldProgram(session));
        return LeaveNext;
    default:
        return LeaveStay;
    }
}

bool IsFileInDestination(const InstallSession* session, const char* name)
{
    char path[MAX_PATH];
    return JoinPath(path, sizeof path, session->DestinationDir, name) && IsExistingFile(path);
}

// Processes of the job still running; 0 when they cannot be counted.
DWORD ActiveProcesses(HANDLE job)
{
    JOBOBJECT_BASIC_ACCOUNTING_INFORMATION info;
    if (!QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &info, sizeof info, nullptr))
        return 0;
    return info.ActiveProcesses;
}

// Waits, through the host and at most `limitMs` in all, for the started
// process and then for every process it started in turn (an uninstaller
// that copies itself to TEMP, starts the copy and exits does its work
// there). Without a job only the started process is waited for.
bool WaitForUninstaller(SetupHost* host, HANDLE process, HANDLE job, DWORD limitMs)
{
    const DWORD PollMs = 100;
    DWORD start = GetTickCount();
    bool goOn = host->Wait(process, limitMs);
    while (goOn && job && ActiveProcesses(job) > 0) {
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= limitMs)
            break;
        // A job is not signalled when its processes end: it is looked at again.
        goOn = host->Wait(job, limitMs - elapsed < PollMs ? limitMs - elapsed : PollMs);
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

} // namespace

namespace {

LeaveResult DecideLeave(int pageId)
{
    InstallSession* session = CurrentSession();
    HWND runningProduct = FindWindowA(ProductWindowClass, nullptr);
    SetDestinationTemplate("DESTDIRDLG1");
    switch (pageId) {
    case PageWelcome:
        SelectChosenComponents();
        SetPageInList(PageNoTemplate, false);
        return LeaveNext;
    case PageDestination:
        return LeaveDestinationPage(session, runningProduct);
    case PageReplace:
        return RemoveOldInstallation(session) ? LeaveNext : LeaveStay;
    case PageRegistry:
        if (ProgramSelected)
            WriteUninstallEntry(session);
        return LeaveNext;
    default:
        return LeaveNext;
    }
}

} // namespace

LeaveResult LeavePage(int pageId)
{
    // In the order of LeaveResult.
    static const char* const Outcomes[] = {"stay", "next page", "previous page", "the same page again"};
    LeaveResult outcome = DecideLeave(pageId);
    LogLine("page %d left: %s", pageId, Outcomes[outcome]);
    return outcome;
}

int CheckDestination(InstallSession* session, HWND runningProduct)
{
    const char* dir = session->DestinationDir;
    LogLine("destination: %s", dir);
    // A destination from which some file's path would pass 259 characters
    // is refused before anything is created: the copy could not finish there.
    uint32_t limit = LongestDestinationLength(Descriptor.Files);
    if (std::strlen(dir) > limit) {
        char text[256];
        FormatText(text, sizeof text,
                   "The destination directory is too long. Please choose a directory of at most %u characters.",
                   unsigned(limit));
        LogLine("destination: %s", text);
        session->Host->Tell("Install", text);
        return DestinationTooLong;
    }
    if (!IsDirectory(dir) && !CreateDirectoryPath(dir)) {
        LogLine("destination: the directory cannot be made");
        return DestinationNotCreated;
    }
    if (runningProduct) {
        LogLine("destination: %s", ProductRunningText);
        session->Host->Tell("Install", ProductRunningText);
        return DestinationProductRunning;
    }
    return DestinationUsable;
}

bool FindOldProgram(const InstallSession* session)
{
    if (!ProgramSelected)
        return false;
    bool found = IsFileInDestination(session, EarlierProgramFiles[0]) ||
                 IsFileInDestination(session, EarlierProgramFiles[1]);
    LogLine(found ? "destination: holds an earlier installation" : "destination: holds no earlier installation");
    return found;
}

bool RemoveOldInstallation(InstallSession* session)
{
    char uninstaller[MAX_PATH];
    char commandLine[MAX_PATH + 8];
    bool goOn = true;
    if (!JoinPath(uninstaller, sizeof uninstaller, session->DestinationDir, UninstallerName))
        return true;
    if (!PathExists(uninstaller)) {
        LogLine("replace: no earlier uninstaller; deleting the files in %s", session->DestinationDir);
        DeleteDirectoryFiles(session->DestinationDir);
        return true;
    }
    // Quoted, and named as the program too: unquoted, a path with a blank
    // such as C:\Program Files\... would first run C:\Program.exe.
    FormatText(commandLine, sizeof commandLine, "\"%s\"%s", uninstaller, UninstallerSwitch);
    PROCESS_INFORMATION process;
    HANDLE job = nullptr;
    bool started = StartUninstaller(uninstaller, commandLine, &process, &job);
    LogLine(started ? "replace: started %s" : "replace: could not start %s", commandLine);
    for (const char* name : OlderUninstallKeys)
        DeleteUninstallKey(name);
    if (started) {
        // The uninstaller works in the folder this installation is about to
        // fill, and registers boot-time deletes of itself and the folder: it
        // must be done before anything is copied, so that the copy does not
        // meet it running and the finishing step sees what it registered.
        goOn = WaitForUninstaller(session->Host, process.hProcess, job, UninstallerWaitMs);
        LogLine(goOn ? "replace: the earlier uninstaller's wait is over" : "replace: stopped while waiting");
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
    if (!JoinKey(path, sizeof path, UninstallRoot, name))
        return ERROR_INVALID_PARAMETER;
    return DeleteRegKey(HKEY_LOCAL_MACHINE, path);
}

void WriteUninstallEntry(const InstallSession* session)
{
    const char* dir = session->DestinationDir;
    char keyPath[MAX_PATH];
    char uninstaller[MAX_PATH + 2];
    char quietUninstaller[MAX_PATH + 8];
    char icon[MAX_PATH];
    HKEY key;
    if (JoinKey(keyPath, sizeof keyPath, UninstallRoot, UninstallKeyName) &&
        CreateRegKey(HKEY_LOCAL_MACHINE, keyPath, &key) == ERROR_SUCCESS) {
        // Quoted: the uninstall panel runs this as a command line, and an
        // unquoted path with a blank would first run C:\Program.exe.
        QuotedPath(uninstaller, sizeof uninstaller, dir, UninstallerName);
        // Deployment systems remove the product without asking through
        // this one: the switch the releases' uninstallers take.
        FormatText(quietUninstaller, sizeof quietUninstaller, "%s%s", uninstaller, UninstallerSwitch);
        JoinPath(icon, sizeof icon, dir, MainProgramName);
        WriteRegText(key, keyPath, DisplayNameValue, UninstallDisplayName);
        WriteRegText(key, keyPath, UninstallStringValue, uninstaller);
        WriteRegText(key, keyPath, QuietUninstallStringValue, quietUninstaller);
        WriteRegText(key, keyPath, InstallLocationValue, dir);
        WriteRegText(key, keyPath, DisplayIconValue, icon);
        WriteRegText(key, keyPath, PublisherValue, UninstallPublisher);
        WriteRegText(key, keyPath, DisplayVersionValue, UninstallDisplayVersion);
        WriteRegNumber(key, keyPath, EstimatedSizeValue,
                       InstalledSizeKb(Descriptor.Files, AllocationShift, ProgramSelected != 0, DatabaseSelected != 0));
        CloseRegKey(key);
    }
    if (CreateRegKey(HKEY_LOCAL_MACHINE, ProductKey, &key) == ERROR_SUCCESS) {
        WriteRegText(key, ProductKey, nullptr, ProductIdentity);
        CloseRegKey(key);
    }
}
