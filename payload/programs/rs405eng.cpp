// Stand-in for the PDF reader installer that ships beside the setup program:
// it only records that it ran, with its command line and current directory,
// in %TEMP%\kova_reader_trace.txt, and exits.
#include <windows.h>

#include <cstdio>

#include "demo_util.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char cwd[MAX_PATH];
    char line[4096];
    if (!GetCurrentDirectoryA(sizeof(cwd), cwd))
        cwd[0] = '\0';
    std::snprintf(line, sizeof(line), "rs405eng.exe cmd=[%s] cwd=[%s]", GetCommandLineA(), cwd);
    return AppendTrace("kova_reader_trace.txt", line) ? 0 : 1;
}
