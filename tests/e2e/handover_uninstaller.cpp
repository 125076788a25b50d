// Stands in for an earlier release's uninstaller that removes itself the
// common way: started from the installation, it copies itself to TEMP,
// starts the copy and exits at once. The copy does the work a few seconds
// later: it registers boot-time deletes of the installation's uninstaller,
// comproxy.dll and folder in the form current Windows writes them ("*1"
// before the native prefix), appended to PendingFileRenameOperations2 when
// that value exists, as Windows does, else to PendingFileRenameOperations.
// Then it appends "done" to %TEMP%\kova_handover_trace.txt.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "core/registry_names.h"

namespace {

const char kHandedOver[] = "--handed-over ";

std::string TempPath(const char* name)
{
    char temp[MAX_PATH];
    DWORD length = GetTempPathA(MAX_PATH, temp);
    return std::string(temp, length) + name;
}

void AppendDeletes(const std::string& dir)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, SessionManagerKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    bool secondExists =
        RegQueryValueExA(key, PendingOperationsValues[1], nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    const char* value = PendingOperationsValues[secondExists ? 1 : 0];
    std::string data;
    DWORD size = 0;
    if (RegQueryValueExA(key, value, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS && size > 0) {
        data.resize(size);
        RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(&data[0]), &size);
        data.resize(size);
        while (!data.empty() && data.back() == '\0')
            data.pop_back();
        if (!data.empty())
            data += '\0';
    }
    const std::string separator = dir.back() == '\\' ? "" : "\\";
    for (const std::string& path : {dir + separator + "uninstal.exe", dir + separator + "comproxy.dll", dir})
        data += "*1\\??\\" + path + '\0' + '\0';
    data += '\0';
    RegSetValueExA(key, value, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size()));
    RegCloseKey(key);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char* handedOver = std::strstr(GetCommandLineA(), kHandedOver);
    if (handedOver) {
        Sleep(3000);
        AppendDeletes(handedOver + std::strlen(kHandedOver));
        FILE* trace = std::fopen(TempPath("kova_handover_trace.txt").c_str(), "ab");
        if (trace) {
            std::fputs("done\n", trace);
            std::fclose(trace);
        }
        return 0;
    }
    char self[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    std::string dir(self, std::strrchr(self, '\\') - self);
    if (dir.size() == 2)
        dir += '\\';  // a drive's root keeps its backslash
    std::string copy = TempPath("kova_handover.exe");
    if (!CopyFileA(self, copy.c_str(), FALSE))
        return 1;
    std::string command = "\"" + copy + "\" " + kHandedOver + dir;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (!CreateProcessA(copy.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return 1;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}
