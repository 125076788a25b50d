// Stands in for the program of the .html association during the scenarios:
// records its command line, and the program that started it, as one line of
// the scenarios' trace file. The path is fixed: a document opened through the
// desktop's shell starts this with the shell's environment, not the setup's.
#include <windows.h>
#include <tlhelp32.h>

#include <cstdio>
#include <cstring>

namespace {

const char kTrace[] = "C:\\kova_e2e\\temp\\kova_e2e_open_trace.txt";

// The executable name of the process that started this one.
void ParentName(char* name, size_t size)
{
    std::snprintf(name, size, "?");
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId())
            parent = entry.th32ParentProcessID;
    for (BOOL more = Process32First(snapshot, &entry); more && parent; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == parent)
            std::snprintf(name, size, "%s", entry.szExeFile);
    CloseHandle(snapshot);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char parent[MAX_PATH];
    ParentName(parent, sizeof parent);
    std::FILE* f = std::fopen(kTrace, "ab");
    if (!f)
        return 1;
    std::fprintf(f, "open cmd=[%s] by=[%s]\r\n", GetCommandLineA(), parent);
    return std::fclose(f) == 0 ? 0 : 1;
}
