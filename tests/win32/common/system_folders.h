// The system's folders as this test program's own view reports them: a
// 32-bit program on 64-bit Windows (and under Wine's WoW64) is given
// C:\Program Files (x86) and SysWOW64, a 64-bit one C:\Program Files.
#pragma once
#include <windows.h>
#include <shlobj.h>

#include <string>

inline std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)))
        return "";
    return path;
}

inline std::string ProgramFilesFolder() { return ShellFolder(CSIDL_PROGRAM_FILES); }
inline std::string CommonFilesFolder() { return ShellFolder(CSIDL_PROGRAM_FILES_COMMON); }
