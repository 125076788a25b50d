// Stands in for an earlier release's uninstaller that takes its time: a few
// seconds after it starts it registers boot-time deletes of itself and of
// its folder, as the real one does once it has done its work.
#include <windows.h>

#include <cstring>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    Sleep(4000);
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return 1;
    MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    *std::strrchr(path, '\\') = '\0';
    MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}
