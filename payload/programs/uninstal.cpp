// Uninstaller of an installed KOVA. It removes what the installation
// registered: the uninstall entry and the KOVAwin program group. The
// program files are not touched, since a new installation may be copying
// into the same directory while this runs; and as a running program cannot
// delete itself or its folder, the uninstaller, comproxy.dll and the
// directory are left to the system to delete at the next restart.
//
// -s (or /s) removes without asking. Each run appends one line to
// %TEMP%\kova_uninstal_trace.txt, once its work is done.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "demo_util.h"

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\KOVA 17.1";
const char kGroupName[] = "KOVAwin";
const char kCaption[] = "KOVA Uninstall";
const char kTraceName[] = "kova_uninstal_trace.txt";

struct Removal {
    int keyRemoved;
    int linksRemoved;
    int pendingAdded;
};

// The program path may come unquoted and with blanks, so every blank-separated
// word is looked at; no path word is a lone switch.
int HasSilentSwitch(const char *cmdLine)
{
    const char *p = cmdLine;
    while (*p) {
        while (*p == ' ' || *p == '\t')
            ++p;
        const char *start = p;
        while (*p && *p != ' ' && *p != '\t')
            ++p;
        if (p - start == 2 && (start[0] == '-' || start[0] == '/') && (start[1] == 's' || start[1] == 'S'))
            return 1;
    }
    return 0;
}

int RemoveUninstallEntry()
{
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey) == ERROR_SUCCESS;
}

// Deletes the group's links in one Start-menu Programs folder and then the
// group folder if that left it empty. Result: the number of links deleted.
int RemoveProgramGroup(int csidl)
{
    char folder[MAX_PATH];
    char path[MAX_PATH];
    int removed = 0;
    if (!SHGetSpecialFolderPathA(NULL, folder, csidl, FALSE))
        return 0;
    if (std::strlen(folder) + 1 + std::strlen(kGroupName) + 1 + 12 >= sizeof(folder))
        return 0;
    std::strcat(folder, "\\");
    std::strcat(folder, kGroupName);

    std::snprintf(path, sizeof(path), "%s\\*.lnk", folder);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            if (std::snprintf(path, sizeof(path), "%s\\%s", folder, found.cFileName) >= static_cast<int>(sizeof(path)))
                continue;
            if (DeleteFileA(path))
                ++removed;
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder);
    return removed;
}

int ScheduleDeleteAtRestart(const char *path)
{
    return MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

// The files first, the directory last: it can only go once it is empty.
int ScheduleOwnFiles(const char *dir)
{
    char path[MAX_PATH];
    int added = 0;
    if (GetModuleFileNameA(NULL, path, sizeof(path)) && ScheduleDeleteAtRestart(path))
        ++added;
    if (std::snprintf(path, sizeof(path), "%s\\comproxy.dll", dir) < static_cast<int>(sizeof(path)) &&
        ScheduleDeleteAtRestart(path))
        ++added;
    if (ScheduleDeleteAtRestart(dir))
        ++added;
    return added;
}

void RemoveInstallation(const char *dir, Removal &removal)
{
    removal.keyRemoved = RemoveUninstallEntry();
    removal.linksRemoved = RemoveProgramGroup(CSIDL_COMMON_PROGRAMS) + RemoveProgramGroup(CSIDL_PROGRAMS);
    removal.pendingAdded = ScheduleOwnFiles(dir);
}

int ConfirmRemoval()
{
    return MessageBoxA(NULL,
                       "Do you want to remove KOVA 17.1 from this computer?\n\n"
                       "The program files are deleted when Windows is restarted.",
                       kCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void WriteTrace(const char *cmdLine, const char *dir, int silent, int done, const Removal &removal)
{
    char line[4096];
    std::snprintf(line, sizeof(line), "uninstal.exe cmd=[%s] dir=[%s] silent=%d result=%s key=%d links=%d pending=%d",
                  cmdLine, dir, silent, done ? "removed" : "cancelled", removal.keyRemoved, removal.linksRemoved,
                  removal.pendingAdded);
    AppendTrace(kTraceName, line);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    const char *cmdLine = GetCommandLineA();
    char dir[MAX_PATH];
    Removal removal = {0, 0, 0};
    if (!GetProgramDir(dir, sizeof(dir)))
        return 1;

    int silent = HasSilentSwitch(cmdLine);
    int done = silent || ConfirmRemoval();
    if (done)
        RemoveInstallation(dir, removal);
    WriteTrace(cmdLine, dir, silent, done, removal);
    if (done && !silent)
        MessageBoxA(NULL, "KOVA 17.1 has been removed. Restart Windows to delete the remaining files.", kCaption,
                    MB_OK | MB_ICONINFORMATION);
    return done ? 0 : 2;
}
