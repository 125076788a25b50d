// Stands in for the program of the .html association during the scenarios:
// records its command line as one line of %TEMP%\kova_e2e_open_trace.txt.
#include <windows.h>

#include <cstdio>
#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    DWORD len = GetEnvironmentVariableA("TEMP", path, sizeof(path));
    if (len == 0 || len + 32 >= sizeof(path))
        return 1;
    std::strcat(path, "\\kova_e2e_open_trace.txt");
    std::FILE* f = std::fopen(path, "ab");
    if (!f)
        return 1;
    std::fprintf(f, "open cmd=[%s]\r\n", GetCommandLineA());
    return std::fclose(f) == 0 ? 0 : 1;
}
