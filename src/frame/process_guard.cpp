#include "frame/process_guard.h"

#include "core/product_tables.h"
#include "core/text_format.h"
#include "frame/setup_log.h"
#include "frame/system_function.h"

void NarrowLibrarySearch()
{
    typedef BOOL(WINAPI * NarrowFunction)(DWORD);
    NarrowFunction narrow = SystemFunction<NarrowFunction>("kernel32.dll", "SetDefaultDllDirectories");
    if (narrow && narrow(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Without it the current directory at least goes out of the search.
    typedef BOOL(WINAPI * DirectoryFunction)(const char*);
    DirectoryFunction directory = SystemFunction<DirectoryFunction>("kernel32.dll", "SetDllDirectoryA");
    if (directory)
        directory("");
}

bool HasInteractiveDesktop()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    DWORD session = 0;
    if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 6 &&
        ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0)
        return false;
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    if (station && GetUserObjectInformationA(station, UOI_FLAGS, &flags, sizeof flags, nullptr))
        return (flags.dwFlags & WSF_VISIBLE) != 0;
    return true;
}

HANDLE TakeSetupLock(bool* held)
{
    *held = false;
    char path[MAX_PATH];
    UINT length = GetSystemWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH ||
        !FormatWhole(path + length, MAX_PATH - length, "%s%s", path[length - 1] == '\\' ? "" : "\\", SetupLockName))
        return INVALID_HANDLE_VALUE;
    HANDLE lock = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (lock != INVALID_HANDLE_VALUE)
        return lock;
    DWORD error = GetLastError();
    // Held by another setup, or something else stands at the name (a
    // directory, a file another account shut this one out of): either way
    // the name is not this run's, and nothing may be changed.
    *held = error == ERROR_SHARING_VIOLATION || GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    LogLine("the lock %s: %s (error %lu)", path, *held ? "taken by another" : "cannot be made", error);
    return INVALID_HANDLE_VALUE;
}
