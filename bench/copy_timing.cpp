// Linked into the copy benchmark's own build of the installer only: notes
// the performance counter when the copy page's start command begins and when
// its pause timer is armed, in the file that KOVA_TIMING names. Both are
// written at the arming, so that the file's own writing is not timed.
#include <windows.h>

#include <cstdio>

#include "payload/copy_engine.h"

namespace {

LARGE_INTEGER Start;

void NoteCopyStep(bool armed)
{
    if (!armed) {
        QueryPerformanceCounter(&Start);
        return;
    }
    LARGE_INTEGER now = {};
    LARGE_INTEGER frequency = {};
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    char path[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("KOVA_TIMING", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    FILE* out = std::fopen(path, "a");
    if (out == nullptr)
        return;
    std::fprintf(out, "copy-start %lld %lld\ncopy-armed %lld %lld\n", static_cast<long long>(Start.QuadPart),
                 static_cast<long long>(frequency.QuadPart), static_cast<long long>(now.QuadPart),
                 static_cast<long long>(frequency.QuadPart));
    std::fclose(out);
}

struct Install {
    Install() { CopyStepObserver = NoteCopyStep; }
} install;

}  // namespace
