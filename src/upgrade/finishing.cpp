#include <windows.h>
#include <shellapi.h>
#include <fcntl.h>
#include <io.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "core/file_exists.h"
#include "core/pending_ops.h"
#include "core/product_tables.h"
#include "core/registry_names.h"
#include "core/server_config.h"
#include "core/text_format.h"
#include "frame/host.h"
#include "frame/private_files.h"
#include "frame/setup_log.h"
#include "frame/system_libraries.h"
#include "pages/pages.h"
#include "pages/paths.h"
#include "register/reg_layer.h"
#include "upgrade/finishing.h"

namespace {

const DWORD PauseMs = 500;

// The paths of this step; an empty one could not be built (its variable is
// not set, or the result is longer than a path may be).
struct FinishPaths {
    char UserConfigDir[MAX_PATH];
    char UserConfigFile[MAX_PATH];
    char InstalledConfigFile[MAX_PATH];
    char TempDir[MAX_PATH];          // with its trailing '\'
    char MergedConfigFile[MAX_PATH];
    char MergedFolder[MAX_PATH];     // a folder made for the merged file, or empty
};

void BuildFinishPaths(const char* destination, FinishPaths* paths)
{
    const char* profile = std::getenv("UserProfile");
    const char* temp = std::getenv("TEMP");
    paths->UserConfigDir[0] = paths->UserConfigFile[0] = paths->TempDir[0] = paths->MergedConfigFile[0] = '\0';
    paths->MergedFolder[0] = '\0';
    if (profile && profile[0] && JoinPath(paths->UserConfigDir, MAX_PATH, profile, UserConfigFolder))
        JoinPath(paths->UserConfigFile, MAX_PATH, paths->UserConfigDir, ServerConfigName);
    if (!paths->UserConfigFile[0])
        paths->UserConfigDir[0] = '\0';
    // The merged file has a known name: under the system's own accounts it
    // goes to a temporary folder other users cannot reach.
    if (temp && temp[0] && TempFolderForKnownNames(temp, paths->TempDir, MAX_PATH) &&
        !JoinPath(paths->MergedConfigFile, MAX_PATH, paths->TempDir, ServerConfigName))
        paths->TempDir[0] = '\0';
    JoinPath(paths->InstalledConfigFile, MAX_PATH, destination, ServerConfigName);
}

// Creates the user's configuration directory when it is missing. False when
// a file stands at its name: that file is the user's, and nothing of this
// step may write there.
bool EnsureUserConfigDir(SetupHost* host, const char* dir)
{
    DWORD attributes = GetFileAttributesA(dir);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return true;
    if (attributes == INVALID_FILE_ATTRIBUTES && CreateDirectoryA(dir, NULL)) {
        LogLine("finishing: made %s", dir);
        return true;
    }
    host->Tell(NULL, UserConfigFolderFailedText);
    return attributes == INVALID_FILE_ATTRIBUTES;
}

bool IdentityOf(const char* path, BY_HANDLE_FILE_INFORMATION* info)
{
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BOOL ok = GetFileInformationByHandle(handle, info);
    CloseHandle(handle);
    return ok != FALSE;
}

// True when both paths name one existing directory, however spelt.
bool SameDirectory(const char* a, const char* b)
{
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    return IdentityOf(a, &first) && IdentityOf(b, &second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

void GiveUserCopy(SetupHost* host, const char* installed, const char* user)
{
    if (PathExists(user))
        return;
    if (CopyFileA(installed, user, FALSE)) {
        LogLine("finishing: copied %s to %s", installed, user);
        return;
    }
    char text[3 * MAX_PATH];
    FormatText(text, sizeof text, "Failed to copy file \n%s to\n%s, %d", installed, user,
               static_cast<int>(GetLastError()));
    host->Tell(UserCopyFailedCaption, text);
}

}  // namespace

HANDLE CopyBackByInterpreter(const char* mergedConfigFile, const char* userConfigDir)
{
    // The system's own interpreter by its full path: by its bare name, a
    // cmd.exe in the installer's folder or current directory would run with
    // the installer's rights.
    char interpreter[MAX_PATH];
    UINT length = GetSystemDirectoryA(interpreter, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !FormatWhole(interpreter + length, MAX_PATH - length, "\\cmd.exe"))
        return NULL;
    char parameters[3 * MAX_PATH];
    if (!CopyBackParameters(mergedConfigFile, userConfigDir, parameters, sizeof parameters))
        return NULL;
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = "OPEN";
    execute.lpFile = interpreter;
    execute.lpParameters = parameters;
    execute.nShow = SW_HIDE;
    if (!SystemLibraries::ShellExecuteEx(&execute))
        return NULL;
    return execute.hProcess;
}

namespace {

void ReportUpdateFailure(SetupHost* host)
{
    host->Tell(ConfigUpdateFailedCaption, ConfigUpdateFailedText);
}

// The merged file, made new (CreateFreshFile) at its usual name or, where
// something keeps that name, in a new folder of its own beside it: the copy
// back keeps the file's name. Null when neither can be made.
FILE* OpenMergedFile(FinishPaths& paths)
{
    HANDLE file = CreateFreshFile(paths.MergedConfigFile);
    for (int n = 1; file == INVALID_HANDLE_VALUE && n <= 9; ++n) {
        char* folder = paths.MergedFolder;
        if (FormatWhole(folder, MAX_PATH, "%s%s.%d", paths.TempDir, ServerConfigName, n) &&
            CreateDirectoryA(folder, NULL) && JoinPath(paths.MergedConfigFile, MAX_PATH, folder, ServerConfigName))
            file = CreateFreshFile(paths.MergedConfigFile);
        else
            folder[0] = '\0';
    }
    int descriptor = file == INVALID_HANDLE_VALUE ? -1 : _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY);
    if (descriptor == -1) {
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
        return NULL;
    }
    FILE* stream = _fdopen(descriptor, "wb");
    if (!stream)
        _close(descriptor);
    return stream;
}

// Merges the library into a copy of the user's file in TEMP and starts the
// copy back over the user's file; the copy's process, or null. A merge that
// failed is reported and never copied back.
HANDLE MergeIntoUserCopy(SetupHost* host, FinishPaths& paths, CopyBackFunction copyBack)
{
    FILE* merged = paths.MergedConfigFile[0] ? OpenMergedFile(paths) : NULL;
    if (!merged || !MergeServerConfigInto(paths.UserConfigFile, merged, LibraryEnvironment.LibraryDir)) {
        ReportUpdateFailure(host);
        return NULL;
    }
    LogLine("finishing: merged the library %s into %s", LibraryEnvironment.LibraryDir, paths.MergedConfigFile);
    return copyBack(paths.MergedConfigFile, paths.UserConfigDir);
}

// The copy may come from the command interpreter, which runs on its own;
// a copy that never appears must not hold the installation up. The first
// pause is the wizard's pace (the copy the interpreter makes is waited for
// on its own, before the merged file goes).
void WaitForUserCopy(SetupHost* host, const char* userConfigFile)
{
    DWORD waited = PauseMs;
    host->Pace(PauseMs);
    while (!PathExists(userConfigFile) && waited < FinishWaitLimitMs) {
        Sleep(PauseMs);
        waited += PauseMs;
    }
}

// The merged file may be deleted only once the copy has read it and put it
// in place. When the interpreter has not ended within the bound it is ended
// (a hidden process must not stay behind waiting for an answer); when it was
// ended so, or its copy failed (the user's file is read-only or in use), the
// user is told and the merged file is left in TEMP for them.
void RemoveMergedFile(SetupHost* host, const FinishPaths& paths, HANDLE copyProcess)
{
    DWORD exitCode = 0;
    if (copyProcess && WaitForSingleObject(copyProcess, FinishWaitLimitMs) != WAIT_OBJECT_0) {
        TerminateProcess(copyProcess, 1);
        LogLine("finishing: the copy back did not end in time and was ended; %s stays", paths.MergedConfigFile);
        ReportUpdateFailure(host);
        return;
    }
    if (copyProcess && (!GetExitCodeProcess(copyProcess, &exitCode) || exitCode != 0)) {
        LogLine("finishing: the copy back failed (exit code %lu); %s stays", exitCode, paths.MergedConfigFile);
        ReportUpdateFailure(host);
        return;
    }
    if (copyProcess)
        LogLine("finishing: copied the merged file back over the user's copy");
    DeleteFileA(paths.MergedConfigFile);
    if (paths.MergedFolder[0])
        RemoveDirectoryA(paths.MergedFolder);
}

bool ShortPathOf(const wchar_t* longPath, wchar_t* shortPath, size_t capacity, void*)
{
    DWORD n = GetShortPathNameW(longPath, shortPath, static_cast<DWORD>(capacity));
    return n > 0 && n < capacity;
}

}  // namespace

void GiveUserConfiguration(InstallSession* session, CopyBackFunction copyBack)
{
    FinishPaths paths;
    HANDLE copyProcess = NULL;
    SetupHost* host = session->Host;
    BuildFinishPaths(session->DestinationDir, &paths);
    if (paths.UserConfigDir[0] && EnsureUserConfigDir(host, paths.UserConfigDir)) {
        // With TEMP set to the user's KOVA_TMP the merged file would be the
        // user's copy itself: emptied before it is read, deleted afterwards.
        if (paths.TempDir[0] && SameDirectory(paths.TempDir, paths.UserConfigDir))
            paths.MergedConfigFile[0] = '\0';
        GiveUserCopy(host, paths.InstalledConfigFile, paths.UserConfigFile);
        if (LibraryEnvironment.LibraryDirGiven == 1 && paths.TempDir[0])
            copyProcess = MergeIntoUserCopy(host, paths, copyBack);
        WaitForUserCopy(host, paths.UserConfigFile);
    }
    if (paths.MergedConfigFile[0])
        RemoveMergedFile(host, paths, copyProcess);
    if (copyProcess)
        CloseHandle(copyProcess);
}

bool FinishInstallation(InstallSession* session, int errorCode)
{
    GiveUserConfiguration(session, CopyBackByInterpreter);
    if (errorCode == 0)
        DeleteObsoleteFiles(session->DestinationDir);
    for (const char* name : CancelledNames) {
        char path[MAX_PATH];
        char native[MAX_PATH + 4];
        if (JoinPath(path, sizeof path, session->DestinationDir, name) &&
            FormatWhole(native, sizeof native, "%s%s", NativePathPrefix, path))
            CancelPendingOperations(native);
    }
    return false;
}

void DeleteObsoleteFiles(const char* destination)
{
    for (const char* name : ObsoleteFiles) {
        char path[MAX_PATH];
        if (JoinPath(path, sizeof path, destination, name) && std::remove(path) == 0)
            LogLine("finishing: deleted %s", path);
    }
}

namespace {

// Drops the pairs whose source names `path` from one value of the key; a
// value left without any pair is deleted, since its mere presence tells
// deployment tools that a restart is pending. 1 when the value was changed.
int CancelInValue(HKEY key, const char* valueName, const wchar_t* path)
{
    int ok = 0;
    wchar_t* data = nullptr;
    wchar_t* kept = nullptr;
    BYTE probe[1];
    DWORD type = 0;
    DWORD size = sizeof probe;
    size_t length = 0;
    if (ReadRegWide(key, valueName, &type, probe, &size) != ERROR_MORE_DATA || size < 2)
        goto done;
    // One unit more than the value, so that an odd byte count still fits.
    data = static_cast<wchar_t*>(std::calloc(size / sizeof(wchar_t) + 1, sizeof(wchar_t)));
    kept = static_cast<wchar_t*>(std::calloc(size / sizeof(wchar_t) + 1, sizeof(wchar_t)));
    if (!data || !kept)
        goto done;
    if (ReadRegWide(key, valueName, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ)
        goto done;
    length = FilterPendingOperations<wchar_t>(data, size / sizeof(wchar_t), path, ShortPathOf, nullptr, kept);
    if (length == 0)
        goto done;
    LogLine("finishing: cancelled the boot-time operations on %ls in %s", path, valueName);
    if (length == 1) {
        ok = DeleteRegValue(key, valueName);
        if (ok)
            LogLine("finishing: deleted the empty %s", valueName);
        goto done;
    }
    ok = WriteRegWide(key, valueName, REG_MULTI_SZ, reinterpret_cast<BYTE*>(kept),
                      static_cast<DWORD>(length * sizeof(wchar_t)));
done:
    std::free(data);
    std::free(kept);
    return ok;
}

}  // namespace

int CancelPendingOperations(const char* path)
{
    // The values hold other programs' entries too; read and written in wide
    // characters, they come back unit for unit whatever their language (the
    // ANSI functions would turn every character outside the code page into '?').
    int changed = 0;
    HKEY key = NULL;
    wchar_t widePath[MAX_PATH + 8];
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH + 8) == 0)
        return 0;
    if (OpenRegKey(HKEY_LOCAL_MACHINE, SessionManagerKey, &key, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return 0;
    // Current systems append to the second value once it exists; both are
    // read at the restart.
    for (const char* valueName : PendingOperationsValues)
        changed |= CancelInValue(key, valueName, widePath);
    CloseRegKey(key);
    return changed;
}
