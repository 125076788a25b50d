// The operating-system test that runs before the first page.
#include <cstring>

#include "frame/frame.h"
#include "frame/navigation.h"

bool CheckOperatingSystem(int osFlags)
{
    OsUnsupported = 1;
    UseFontsFolder = 1;
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info; // 148 bytes
    OsVersion version = {0, 0};
    if (GetVersionExA(&info)) {
        version.PlatformId = info.dwPlatformId;
        version.MajorVersion = info.dwMajorVersion;
    }
    OsDecision decision = DecideOperatingSystem(osFlags, version);
    UseFontsFolder = decision.UseFontsFolder;
    if (decision.Supported)
        OsUnsupported = 0;
    return decision.Supported;
}
