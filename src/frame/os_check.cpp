// What the system says it is: the operating-system test that runs before
// the first page, and the choices that depend on the system's version.
#include <cstring>

#include "core/navigation.h"
#include "frame/frame.h"

namespace {

// As the system reports it to this program (without a compatibility
// manifest, current systems report 6.2); zeros when it does not answer.
OsVersion ReadOsVersion()
{
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof info);
    info.dwOSVersionInfoSize = sizeof info; // 148 bytes
    OsVersion version = {0, 0};
    if (GetVersionExA(&info)) {
        version.PlatformId = info.dwPlatformId;
        version.MajorVersion = info.dwMajorVersion;
    }
    return version;
}

} // namespace

bool IsWindowsNt6()
{
    OsVersion version = ReadOsVersion();
    return version.PlatformId == VER_PLATFORM_WIN32_NT && version.MajorVersion == 6;
}

bool CheckOperatingSystem(int osFlags)
{
    OsUnsupported = 1;
    UseFontsFolder = 1;
    OsVersion version = ReadOsVersion();
    OsDecision decision = DecideOperatingSystem(osFlags, version);
    UseFontsFolder = decision.UseFontsFolder;
    if (decision.Supported)
        OsUnsupported = 0;
    return decision.Supported;
}
