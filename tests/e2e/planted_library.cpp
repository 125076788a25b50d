// Stands in for a library another user planted beside the installer (in a
// downloads folder, say) under the name of one that system code loads by
// name: when loaded, it leaves a mark (the file %KOVA_PLANT_MARK% names) and
// refuses to stay.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    char mark[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("KOVA_PLANT_MARK", mark, MAX_PATH);
    if (length > 0 && length < MAX_PATH) {
        HANDLE file = CreateFileA(mark, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE)
            CloseHandle(file);
    }
    return FALSE;
}
