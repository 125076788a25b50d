// Stands in for an earlier uninstaller or the reader installer: appends its
// own path and command line to %KOVA_RECORD_FILE%, so a test can see which
// program was started and how.
#include <windows.h>
#include <cstdio>

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
    return 0;
}
