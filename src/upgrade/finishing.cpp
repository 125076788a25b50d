#include <windows.h>
#include <shellapi.h>
#include <io.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "pages/paths.h"
#include "upgrade/finishing.h"
#include "upgrade/pending_ops.h"
#include "upgrade/server_config.h"

namespace {

const char SessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char PendingValueName[] = "PendingFileRenameOperations";
const char* const ObsoleteFiles[] = {
    "zrxtr32x.dll", "zr243a32.dll", "zr251a32.dll", "zr256a32.dll", "zr258a32.dll", "kovaunst.exe"
};
const char* const CancelledNames[] = { "\\uninstal.exe", "\\comproxy.dll", "" };
const DWORD PauseMs = 500;

// The paths of this step; an empty one could not be built (its variable is
// not set, or the result is longer than a path may be).
struct FinishPaths {
    char UserConfigDir[MAX_PATH];
    char UserConfigFile[MAX_PATH];
    char InstalledConfigFile[MAX_PATH];
    char MergedConfigFile[MAX_PATH];
};

bool FormatInto(char* out, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(out, size, format, args);
    va_end(args);
    if (n < 0 || static_cast<size_t>(n) >= size) {
        out[0] = '\0';
        return false;
    }
    return true;
}

void BuildFinishPaths(FinishPaths* paths)
{
    const char* profile = std::getenv("UserProfile");
    const char* temp = std::getenv("TEMP");
    paths->UserConfigDir[0] = paths->UserConfigFile[0] = paths->MergedConfigFile[0] = '\0';
    if (profile && FormatInto(paths->UserConfigDir, MAX_PATH, "%s\\KOVA_TMP", profile))
        FormatInto(paths->UserConfigFile, MAX_PATH, "%s\\tarndaemon.conf", paths->UserConfigDir);
    if (!paths->UserConfigFile[0])
        paths->UserConfigDir[0] = '\0';
    if (temp)
        FormatInto(paths->MergedConfigFile, MAX_PATH, "%s\\tarndaemon.conf", temp);
    FormatInto(paths->InstalledConfigFile, MAX_PATH, "%s\\tarndaemon.conf", DestinationDir);
}

bool Exists(const char* path)
{
    return _access(path, 0) == 0;
}

void EnsureUserConfigDir(const char* dir)
{
    if (Exists(dir) || CreateDirectoryA(dir, NULL))
        return;
    MessageBoxA(NULL, "Unable to create KOVA_TMP directory", NULL, MB_OK);
}

void GiveUserCopy(const char* installed, const char* user)
{
    if (Exists(user) || CopyFileA(installed, user, FALSE))
        return;
    char text[3 * MAX_PATH];
    FormatInto(text, sizeof text, "Failed to copy file \n%s to\n%s, %d", installed, user,
               static_cast<int>(GetLastError()));
    MessageBoxA(NULL, text, "KOVA installation", MB_OK);
}

// Starts the hidden command interpreter that copies the merged file over the
// user's copy; the process handle, or null when none was started.
HANDLE StartCopyBack(const char* temp, const char* userConfigDir)
{
    char parameters[3 * MAX_PATH];
    if (!FormatInto(parameters, sizeof parameters, "/c copy \"%s\\tarndaemon.conf\" \"%s", temp, userConfigDir))
        return NULL;
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = "OPEN";
    execute.lpFile = "cmd.exe";
    execute.lpParameters = parameters;
    execute.nShow = SW_HIDE;
    if (!ShellExecuteExA(&execute))
        return NULL;
    return execute.hProcess;
}

void MergeIntoUserCopy(const FinishPaths& paths, HANDLE* copyProcess)
{
    if (!MergeServerConfig()) {
        MessageBoxA(NULL, "Unable to update tarndaemon.conf file", "KOVA Error", MB_OK);
        return;
    }
    *copyProcess = StartCopyBack(std::getenv("TEMP"), paths.UserConfigDir);
}

// The copy may come from the command interpreter, which runs on its own;
// a copy that never appears must not hold the installation up.
void WaitForUserCopy(const char* userConfigFile)
{
    DWORD waited = 0;
    do {
        Sleep(PauseMs);
        waited += PauseMs;
    } while (!Exists(userConfigFile) && waited < FinishWaitLimitMs);
}

// The merged file may be deleted only once the copy has read it: when the
// interpreter has not ended within the bound, the file is left in TEMP.
void RemoveMergedFile(const char* mergedConfigFile, HANDLE copyProcess)
{
    if (copyProcess && WaitForSingleObject(copyProcess, FinishWaitLimitMs) != WAIT_OBJECT_0)
        return;
    DeleteFileA(mergedConfigFile);
}

bool ShortPathOf(const char* longPath, char* shortPath, size_t capacity, void*)
{
    DWORD n = GetShortPathNameA(longPath, shortPath, static_cast<DWORD>(capacity));
    return n > 0 && n < capacity;
}

}  // namespace

bool FinishInstallation(int errorCode)
{
    FinishPaths paths;
    HANDLE copyProcess = NULL;
    BuildFinishPaths(&paths);
    if (paths.UserConfigDir[0]) {
        EnsureUserConfigDir(paths.UserConfigDir);
        GiveUserCopy(paths.InstalledConfigFile, paths.UserConfigFile);
        if (LibraryEnvironment.LibraryDirGiven == 1 && paths.MergedConfigFile[0])
            MergeIntoUserCopy(paths, &copyProcess);
        WaitForUserCopy(paths.UserConfigFile);
    }
    if (paths.MergedConfigFile[0])
        RemoveMergedFile(paths.MergedConfigFile, copyProcess);
    if (copyProcess)
        CloseHandle(copyProcess);
    if (errorCode == 0)
        DeleteObsoleteFiles();
    for (const char* name : CancelledNames) {
        char native[MAX_PATH + 4];
        if (FormatInto(native, sizeof native, "\\??\\%s%s", DestinationDir, name))
            CancelPendingOperations(native);
    }
    return false;
}

void DeleteObsoleteFiles()
{
    for (const char* name : ObsoleteFiles) {
        char path[MAX_PATH];
        if (FormatInto(path, sizeof path, "%s\\%s", DestinationDir, name))
            std::remove(path);
    }
}

int CancelPendingOperations(const char* path)
{
    int ok = 0;
    HKEY key = NULL;
    char* data = nullptr;
    char* kept = nullptr;
    BYTE probe[1];
    DWORD type = 0;
    DWORD size = sizeof probe;
    size_t length = 0;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        key = NULL;
        goto done;
    }
    if (RegQueryValueExA(key, PendingValueName, NULL, &type, probe, &size) != ERROR_MORE_DATA || size < 2)
        goto done;
    data = static_cast<char*>(std::malloc(size));
    kept = static_cast<char*>(std::malloc(size));
    if (!data || !kept)
        goto done;
    if (RegQueryValueExA(key, PendingValueName, NULL, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS
        || type != REG_MULTI_SZ)
        goto done;
    length = FilterPendingOperations(data, size, path, ShortPathOf, nullptr, kept);
    if (length == 0)
        goto done;
    if (RegSetValueExA(key, PendingValueName, 0, REG_MULTI_SZ, reinterpret_cast<BYTE*>(kept),
                       static_cast<DWORD>(length)) != ERROR_SUCCESS)
        goto done;
    ok = 1;
done:
    std::free(data);
    std::free(kept);
    if (key)
        RegCloseKey(key);
    return ok;
}
