// Helpers of the demo programs. Programs that a test of the installer must
// see running record each run as one line of a text file in TEMP.
#ifndef KOVA_DEMO_UTIL_H
#define KOVA_DEMO_UTIL_H

#include <windows.h>

#include <cstdio>
#include <cstring>

// Appends line and CR LF to %TEMP%\name. Result: 1 written, 0 not.
inline int AppendTrace(const char *name, const char *line)
{
    char path[MAX_PATH];
    DWORD len = GetEnvironmentVariableA("TEMP", path, sizeof(path));
    if (len == 0 || len >= sizeof(path))
        len = GetTempPathA(sizeof(path), path);
    if (len == 0 || len >= sizeof(path))
        return 0;
    if (path[len - 1] != '\\' && len + 1 < sizeof(path))
        path[len++] = '\\';
    if (len + std::strlen(name) >= sizeof(path))
        return 0;
    std::strcpy(path + len, name);

    std::FILE *f = std::fopen(path, "ab");
    if (!f)
        return 0;
    int ok = std::fputs(line, f) >= 0 && std::fputs("\r\n", f) >= 0;
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

// The directory of the running program, without a trailing backslash.
inline int GetProgramDir(char *dir, DWORD size)
{
    DWORD len = GetModuleFileNameA(NULL, dir, size);
    if (len == 0 || len >= size)
        return 0;
    char *slash = std::strrchr(dir, '\\');
    if (!slash)
        return 0;
    *slash = '\0';
    return 1;
}

#endif
