// Library module of KOVA, demonstration build: the programs ask it for the
// library format version it reads.
#include <windows.h>

extern "C" {

// 17.1 as major and minor byte.
__declspec(dllexport) int WINAPI ZrGetVersion(void)
{
    return (17 << 8) | 1;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}

}
