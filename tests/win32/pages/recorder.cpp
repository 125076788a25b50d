// Stands in for an earlier uninstaller or the reader installer: appends its
// own path and command line to %KOVA_RECORD_FILE%, so a test can see which
// program was started and how. With %KOVA_RECORD_HANG% naming a file, it
// is one that never ends: it appends its process id there, starts one more
// of itself that does the same, and waits for ever.
#include <windows.h>
#include <cstdio>
#include <cstring>

int main()
{
    char file[MAX_PATH];
    char self[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("KOVA_RECORD_FILE", file, sizeof file);
    if (length == 0 || length >= sizeof file)
        return 1;
    GetModuleFileNameA(nullptr, self, sizeof self);
    FILE* out = std::fopen(file, "ab");
    if (!out)
        return 1;
    std::fprintf(out, "%s|%s\n", self, GetCommandLineA());
    std::fclose(out);
    length = GetEnvironmentVariableA("KOVA_RECORD_HANG", file, sizeof file);
    if (length == 0 || length >= sizeof file || !(out = std::fopen(file, "ab")))
        return 0;
    std::fprintf(out, "%lu\n", GetCurrentProcessId());
    std::fclose(out);
    if (std::strstr(GetCommandLineA(), " started") == nullptr) {
        char line[2 * MAX_PATH];
        std::snprintf(line, sizeof line, "\"%s\" started", self);
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    Sleep(INFINITE);
    return 0;
}
