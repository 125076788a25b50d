#include "frame/private_files.h"

#include <sddl.h>

#include <cstring>

#include "core/product_tables.h"
#include "core/text_format.h"
#include "frame/system_function.h"

namespace {

bool IsAdministrative(PSID sid)
{
    return sid && (IsWellKnownSid(sid, WinLocalSystemSid) || IsWellKnownSid(sid, WinBuiltinAdministratorsSid));
}

// A folder only SYSTEM and the administrators can enter: made now with that
// descriptor (nothing inherited from the folder above), or one made so by
// an earlier run: owned by one of them, and no link to somewhere else.
bool MakePrivateFolder(const char* folder)
{
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, nullptr, FALSE};
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)", SDDL_REVISION_1,
                                                              &attributes.lpSecurityDescriptor, nullptr))
        return false;
    bool ok = CreateDirectoryA(folder, &attributes) != 0;
    LocalFree(attributes.lpSecurityDescriptor);
    if (ok || GetLastError() != ERROR_ALREADY_EXISTS)
        return ok;
    HANDLE handle = CreateFileA(folder, READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION info;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    BYTE buffer[512];
    DWORD needed = 0;
    ok = GetFileInformationByHandle(handle, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
         !(info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
         GetKernelObjectSecurity(handle, OWNER_SECURITY_INFORMATION, buffer, sizeof buffer, &needed);
    if (ok) {
        descriptor = buffer;
        BOOL defaulted = FALSE;
        ok = GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) && IsAdministrative(owner);
    }
    CloseHandle(handle);
    return ok;
}

}  // namespace

bool RunsAsServiceAccount()
{
    HANDLE token = nullptr;
    BYTE buffer[256];
    DWORD size = 0;
    bool service = false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
        PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
        service = IsWellKnownSid(user, WinLocalSystemSid) || IsWellKnownSid(user, WinLocalServiceSid) ||
                  IsWellKnownSid(user, WinNetworkServiceSid);
    }
    CloseHandle(token);
    return service;
}

namespace {

bool IsPlainSingleFile(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION info;
    return GetFileInformationByHandle(file, &info) && info.nNumberOfLinks == 1 &&
           !(info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

// Deletes what stands at `path` when it is a plain file with one name that
// `isEarlier` recognises; through the handle that was checked, so that
// nothing put in its place meanwhile is taken instead.
void RemoveEarlierFile(const char* path, bool (*isEarlier)(HANDLE))
{
    HANDLE file = CreateFileA(path, GENERIC_READ | DELETE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    if (IsPlainSingleFile(file) && isEarlier(file)) {
        FILE_DISPOSITION_INFO disposition = {TRUE};
        typedef BOOL(WINAPI * DispositionFunction)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, void*, DWORD);
        DispositionFunction dispose =
            SystemFunction<DispositionFunction>("kernel32.dll", "SetFileInformationByHandle");
        if (!dispose || !dispose(file, FileDispositionInfo, &disposition, sizeof disposition)) {
            CloseHandle(file);
            DeleteFileA(path);  // a system without it has no links either
            return;
        }
    }
    CloseHandle(file);
}

}  // namespace

HANDLE CreateFreshFile(const char* path, bool (*isEarlier)(HANDLE file))
{
    if (isEarlier)
        RemoveEarlierFile(path, isEarlier);
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE || IsPlainSingleFile(file))
        return file;
    CloseHandle(file);
    return INVALID_HANDLE_VALUE;
}

bool TempFolderForKnownNames(const char* usual, char* path, size_t size)
{
    size_t length = usual ? std::strlen(usual) : 0;
    if (length == 0)
        return false;
    const char* separator = usual[length - 1] == '\\' ? "" : "\\";
    if (!RunsAsServiceAccount())
        return FormatWhole(path, size, "%s%s", usual, separator);
    typedef DWORD(WINAPI * TempPath2Function)(DWORD, LPSTR);
    TempPath2Function systemTemp = SystemFunction<TempPath2Function>("kernel32.dll", "GetTempPath2A");
    DWORD got = systemTemp && size <= MAXDWORD ? systemTemp(DWORD(size), path) : 0;
    if (got > 0 && got < size)
        return true;
    for (int n = 1; n <= 9; ++n) {
        char folder[MAX_PATH];
        bool named = n == 1 ? FormatWhole(folder, sizeof folder, "%s%s%s", usual, separator, PrivateFolderName)
                            : FormatWhole(folder, sizeof folder, "%s%s%s %d", usual, separator, PrivateFolderName, n);
        if (named && MakePrivateFolder(folder))
            return FormatWhole(path, size, "%s\\", folder);
    }
    return false;
}
