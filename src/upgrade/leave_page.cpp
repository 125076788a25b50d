// The leave step of each page: what the wizard decides between pages, and
// the removal of an earlier installation.
#include <windows.h>
#include <io.h>
#include <cstdio>
#include <cstring>

#include "frame/descriptor.h"
#include "frame/frame.h"
#include "frame/wizard.h"
#include "pages/pages.h"
#include "pages/paths.h"
#include "upgrade/upgrade.h"

namespace {

const char* const UninstallRoot = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char* const ProductIdentityKey = "SOFTWARE\\Brannvik\\KOVAwin\\CurrentVersion";
const char* const ProductIdentity = "XBRT 550 713/2 R17B";

void SetDestinationTemplate(const char* name)
{
    if (Descriptor.PageTemplates)
        Descriptor.PageTemplates[PageDestination] = name;
}

int LeaveDestinationPage(HWND runningProduct)
{
    if (!IsDirectory(DestinationDir) && !CreateDirectoryPath(DestinationDir)) {
        SetDestinationTemplate("DESTDIRDLG2");
        return 3;
    }
    if (runningProduct) {
        MessageBoxA(nullptr,
                    "A copy of KOVA is already running. Please close the application before continuing with the installation.",
                    "Install", MB_OK);
        return 0;
    }
    SetPageInList(PageReplace, FindOldProgram());
    return 1;
}

bool IsFileInDestination(const char* name)
{
    char path[MAX_PATH];
    return JoinPath(path, sizeof path, DestinationDir, name) && IsExistingFile(path);
}

void SetString(HKEY key, const char* name, const char* text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), DWORD(std::strlen(text) + 1));
}

} // namespace

int LeavePage(int pageId)
{
    HWND runningProduct = FindWindowA("KOVAMAIN", nullptr);
    SetDestinationTemplate("DESTDIRDLG1");
    switch (pageId) {
    case PageWelcome:
        SelectChosenComponents();
        SetPageInList(PageNoTemplate, false);
        return 1;
    case PageDestination:
        return LeaveDestinationPage(runningProduct);
    case PageReplace:
        RemoveOldInstallation();
        return 1;
    case PageRegistry:
        if (ProgramSelected)
            WriteUninstallEntry();
        return 1;
    default:
        return 1;
    }
}

bool FindOldProgram()
{
    if (!ProgramSelected)
        return false;
    return IsFileInDestination("kova.exe") || IsFileInDestination("kovamain.exe");
}

void RemoveOldInstallation()
{
    char uninstaller[MAX_PATH];
    char commandLine[MAX_PATH + 8];
    if (!JoinPath(uninstaller, sizeof uninstaller, DestinationDir, "uninstal.exe"))
        return;
    if (_access(uninstaller, 0) != 0) {
        DeleteDirectoryFiles(DestinationDir);
        return;
    }
    // Quoted, and named as the program too: unquoted, a path with a blank
    // such as C:\Program Files\... would first run C:\Program.exe.
    std::snprintf(commandLine, sizeof commandLine, "\"%s\" -s", uninstaller);
    STARTUPINFOA startup;
    std::memset(&startup, 0, sizeof startup);
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process;
    if (CreateProcessA(uninstaller, commandLine, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    DeleteUninstallKey("KOVA 15.0");
    DeleteUninstallKey("KOVA 16.1");
}

void DeleteDirectoryFiles(const char* dir)
{
    char pattern[MAX_PATH];
    char path[MAX_PATH];
    WIN32_FIND_DATAA found;
    if (!JoinPath(pattern, sizeof pattern, dir, "*.*"))
        return;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        // Directories refuse DeleteFileA, so only files go.
        if (JoinPath(path, sizeof path, dir, found.cFileName))
            DeleteFileA(path);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

long DeleteUninstallKey(const char* name)
{
    char path[MAX_PATH];
    if (!JoinPath(path, sizeof path, UninstallRoot, name))
        return ERROR_INVALID_PARAMETER;
    HKEY key;
    LONG opened = RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    RegCloseKey(key);
    return RegDeleteKeyA(HKEY_LOCAL_MACHINE, path) == ERROR_SUCCESS ? 1 : 0;
}

void WriteUninstallEntry()
{
    char keyPath[MAX_PATH];
    char uninstaller[MAX_PATH];
    char icon[MAX_PATH];
    HKEY key;
    if (JoinPath(keyPath, sizeof keyPath, UninstallRoot, "KOVA 17.1") &&
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                        &key, nullptr) == ERROR_SUCCESS) {
        JoinPath(uninstaller, sizeof uninstaller, DestinationDir, "uninstal.exe");
        JoinPath(icon, sizeof icon, DestinationDir, "kovamain.exe");
        DWORD size = InstalledSizeKb();
        SetString(key, "DisplayName", "Kovalith 17.1");
        SetString(key, "UninstallString", uninstaller);
        SetString(key, "DisplayIcon", icon);
        SetString(key, "Publisher", "Brannvik");
        SetString(key, "DisplayVersion", "17.1");
        RegSetValueExA(key, "EstimatedSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size), sizeof size);
        RegCloseKey(key);
    }
    RegSetValueA(HKEY_LOCAL_MACHINE, ProductIdentityKey, REG_SZ, ProductIdentity, DWORD(std::strlen(ProductIdentity) + 1));
}
