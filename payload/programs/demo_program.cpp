// The smaller KOVA programs in their demonstration build. Each is this
// source with its own resource script: string IDS_ROLE says what the
// program is, and starting it shows that and ends.
#include <windows.h>

#include "demo_program_res.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    char role[512];
    if (!LoadStringA(instance, IDS_ROLE, role, sizeof(role)))
        return 1;
    MessageBoxA(NULL, role, "KOVA", MB_OK | MB_ICONINFORMATION);
    return 0;
}
