// The destination directory, its default, and the page that shows it with
// the space required and available.
#include <windows.h>
#include <cstdio>
#include <cstring>

#include "core/ascii.h"
#include "core/product_tables.h"
#include "core/registry_names.h"
#include "core/text_format.h"
#include "frame/frame.h"
#include "frame/wizard.h"
#include "pages/pages.h"
#include "pages/paths.h"
#include "register/reg_layer.h"

char DestinationDir[260];
char SharedFilesDir[260];
char LastDriveLetter;
int AllocationShift = 9;

namespace {


// Reads a folder value of the Windows version key; `fallback` when the key
// or value is missing or empty.
void ReadSystemFolder(const char* valueName, const char* fallback, char* out, DWORD outSize)
{
    HKEY key;
    out[0] = '\0';
    if (OpenRegKey(HKEY_LOCAL_MACHINE, WindowsVersionKey, &key) == ERROR_SUCCESS) {
        ReadRegText(key, valueName, out, outSize, nullptr);
        CloseRegKey(key);
    }
    if (!out[0])
        lstrcpynA(out, fallback, int(outSize));
}

// The drive letter of an edit text: the character before ":\", after one
// optional opening quote; 0 when there is none.
char DriveOfText(const char* text)
{
    if (*text == '"')
        text++;
    if (text[0] != '\0' && text[1] == ':' && text[2] == '\\')
        return text[0];
    return 0;
}

bool IsFloppyDrive(char drive)
{
    return drive == 'A' || drive == 'a';
}

void OnDirectoryChanged(HWND page)
{
    char text[260];
    GetDlgItemTextA(page, IDC_DIRECTORY, text, sizeof text);
    char drive = DriveOfText(text);
    // Measuring a floppy drive would wake it; its figures are never asked for.
    if (IsFloppyDrive(drive))
        return;
    if (drive != LastDriveLetter)
        UpdateSpaceDisplay(page, drive);
    LastDriveLetter = drive;
}

void OnInitDialog(HWND page)
{
    // The figures on show, and LastDriveLetter, belong to the drive of the
    // text the edit field is about to hold, read by the same rule as typed
    // text. Measured any other way (a leading quote taken for the drive, or
    // the drive remembered from an earlier visit), a path on a drive that
    // was measured before could never be measured again and Next would stay
    // off for good. A floppy is not measured: "n/a" until another drive is typed.
    char drive = DriveOfText(DestinationDir);
    if (IsFloppyDrive(drive))
        drive = 0;
    UpdateSpaceDisplay(page, drive);
    LastDriveLetter = drive;
    SendDlgItemMessageA(page, IDC_DIRECTORY, EM_LIMITTEXT, 260, 0);
    SetDlgItemTextA(page, IDC_DIRECTORY, DestinationDir);
    SendMessageA(page, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(page, IDC_DIRECTORY)), TRUE);
}

} // namespace

const char* GetDestinationDir()
{
    return DestinationDir;
}

const char* SharedFilesDirOnDestinationDrive()
{
    if (!SharedFilesDir[0])
        return nullptr;
    if (AsciiLower(SharedFilesDir[0]) != AsciiLower(DestinationDir[0]))
        return nullptr;
    return SharedFilesDir;
}

void SetDestinationDir(const char* path)
{
    lstrcpynA(DestinationDir, path, sizeof DestinationDir);
    // Measured for its side effect: the allocation unit of this drive.
    GetFreeBytes(DestinationDir[0]);
}

void SetSharedFilesDir(const char* path)
{
    lstrcpynA(SharedFilesDir, path, sizeof SharedFilesDir);
}

void SetDefaultDestination(const char* folder)
{
    if (!folder || !folder[0])
        return;
    if (std::strcmp(folder, ProductFolder) != 0) {
        SetDestinationDir(folder);
        return;
    }
    char base[260];
    char path[260];
    ReadSystemFolder(ProgramFilesValue, "C:\\Program Files", base, sizeof base);
    if (!JoinPath(path, sizeof path, base, folder))
        FormatText(path, sizeof path, "C:\\Program Files\\%s", folder);
    SetDestinationDir(path);
}

bool IsInProgramFiles(const char* dir)
{
    char folders[2][260];
    ReadSystemFolder(ProgramFilesValue, "C:\\Program Files", folders[0], sizeof folders[0]);
    DWORD length = GetEnvironmentVariableA("ProgramW6432", folders[1], sizeof folders[1]);
    if (length == 0 || length >= sizeof folders[1])
        folders[1][0] = '\0';
    for (char* folder : folders) {
        size_t n = std::strlen(folder);
        while (n > 0 && folder[n - 1] == '\\')
            folder[--n] = '\0';
        if (n > 0 && std::strlen(dir) > n && dir[n] == '\\' && StartsWithIgnoringCase(dir, folder))
            return true;
    }
    return false;
}

void SetDefaultSharedFilesDir(const char* subfolder, const char* name)
{
    if (!subfolder || !subfolder[0] || !name || !name[0])
        return;
    char base[260];
    char path[260];
    ReadSystemFolder(CommonFilesValue, "C:\\Program Files\\Common Files", base, sizeof base);
    char folder[260];
    if (!JoinPath(folder, sizeof folder, base, subfolder) || !JoinPath(path, sizeof path, folder, name))
        return;
    SetSharedFilesDir(path);
}

bool PayloadFitsDestination(const char* dir)
{
    char drive = DriveOfText(dir);
    int32_t free = drive ? GetFreeBytes(drive) : FreeSpaceUnknown;
    return PayloadFits(RequiredBytes(Descriptor.Files, AllocationShift, 0, false), free);
}

int32_t GetFreeBytes(char driveLetter)
{
    char root[4] = {driveLetter, ':', '\\', '\0'};
    DWORD sectorsPerCluster, bytesPerSector, freeClusters, totalClusters;
    if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters))
        return FreeSpaceUnknown;
    AllocationShift = AllocationShiftOf(bytesPerSector, AllocationShift);
    unsigned long long free = 1ull * sectorsPerCluster * bytesPerSector * freeClusters;
    if (free >= 2147483648ull)
        return FreeSpaceOver2Gb;
    return int32_t(free);
}

void ShowMegabytes(HWND page, int controlId, uint32_t bytes)
{
    char text[20];
    FormatMegabytes(bytes, text, sizeof text);
    SetDlgItemTextA(page, controlId, text);
}

void UpdateSpaceDisplay(HWND page, char driveLetter)
{
    uint32_t required = RequiredBytes(Descriptor.Files, AllocationShift, 0, false);
    int32_t free = driveLetter ? GetFreeBytes(driveLetter) : FreeSpaceUnknown;
    ShowMegabytes(page, IDC_REQUIRED_SIZE, required);
    if (free >= 0)
        ShowMegabytes(page, IDC_AVAILABLE_SIZE, uint32_t(free));
    else if (free == FreeSpaceUnknown)
        SetDlgItemTextA(page, IDC_AVAILABLE_SIZE, "n/a");
    else
        SetDlgItemTextA(page, IDC_AVAILABLE_SIZE, "> 2 GB");
    SetNavButtons(true, PayloadFits(required, free), true);
}

INT_PTR CALLBACK DestinationPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(window);
        break;
    case WM_COMMAND:
        if (wParam == IDC_PAGE_COMMIT)
            GetDlgItemTextA(window, IDC_DIRECTORY, DestinationDir, sizeof DestinationDir);
        else if (LOWORD(wParam) == IDC_DIRECTORY && HIWORD(wParam) == EN_CHANGE)
            OnDirectoryChanged(window);
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}
