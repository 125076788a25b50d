// Walks the real setup.exe to its copy page with KOVA_TIMING set, waits for
// the pause timer to be armed and leaves through Exit in that pause (the
// registry step never runs). Prints the seconds from the start command to
// the arming, setup.exe's peak working set at the arming and that peak's
// rise over the copy step.
// Usage: copy_setup_bench DESTINATION TIMINGFILE
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "setup_driver.h"

namespace {

const char kWelcome[] = "Welcome!";
const char kDestination[] = "Destination directory";
const char kReplace[] = "Replace old installation";
const char kReady[] = "Ready to install";
const char kNotCompleted[] = "Installation not completed";

SIZE_T PeakWorkingSet(DWORD pid)
{
    PROCESS_MEMORY_COUNTERS counters = {};
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr)
        return 0;
    counters.cb = sizeof counters;
    BOOL ok = GetProcessMemoryInfo(process, &counters, sizeof counters);
    CloseHandle(process);
    return ok ? counters.PeakWorkingSetSize : 0;
}

// The counter value written after `what` in the timing file, 0 when absent.
long long TimingValue(const std::string& text, const char* what, long long* frequency)
{
    size_t at = text.find(what);
    if (at == std::string::npos)
        return 0;
    long long value = 0;
    if (std::sscanf(text.c_str() + at + std::strlen(what), " %lld %lld", &value, frequency) != 2)
        return 0;
    return value;
}

std::string ReadText(const char* path)
{
    std::string text;
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr)
        return text;
    char buffer[512];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        text.append(buffer, got);
    std::fclose(in);
    return text;
}

bool Fail(SetupProcess& setup, const std::string& why)
{
    std::string error = setup.PageTitle() == kNotCompleted ? ": " + setup.ItemText(IDC_ERROR_TEXT) : "";
    std::printf("failed: %s (on \"%s\"%s)\n", why.c_str(), setup.PageTitle().c_str(), error.c_str());
    return false;
}

bool Next(SetupProcess& setup, const char* from)
{
    if (!setup.WaitForPage(from, 20000))
        return Fail(setup, std::string("no page \"") + from + "\"");
    if (!setup.Enabled(IDC_NEXT))
        return Fail(setup, "Next is disabled");
    setup.ClickMain(IDC_NEXT);
    return true;
}

bool Run(const char* destination, const char* timingPath)
{
    SetupProcess setup;
    SetupOptions options;
    options.environment = {std::string("KOVA_TIMING=") + timingPath};
    DeleteFileA(timingPath);
    if (!setup.Start(options))
        return Fail(setup, setup.error());
    if (!Next(setup, kWelcome) || !setup.WaitForPage(kDestination, 20000))
        return Fail(setup, "no destination page");
    setup.SetPageItemText(IDC_DIRECTORY, destination);
    if (!Next(setup, kDestination))
        return false;
    std::string title;
    WaitUntil([&] { title = setup.PageTitle(); return title == kReady || title == kReplace; }, 20000);
    if (title == kReplace && !Next(setup, kReplace))
        return false;
    if (!setup.WaitForPage(kReady, 20000))
        return Fail(setup, "no ready page");
    SIZE_T peakBefore = PeakWorkingSet(setup.pid());
    if (!Next(setup, kReady))
        return false;

    // Only the timing file and the process handle are watched while the copy
    // runs: asking for a window text would make setup.exe's thread answer
    // inside the pump it runs between steps, in the middle of the interval.
    std::string timing;
    bool armed = WaitUntil([&] {
        timing = ReadText(timingPath);
        return timing.find("copy-armed") != std::string::npos || !setup.Running();
    }, 60000);
    if (!armed && setup.PageTitle() == kNotCompleted)
        return Fail(setup, "the copy ended on the error page");
    long long frequency = 0;
    long long start = TimingValue(timing, "copy-start", &frequency);
    long long end = TimingValue(timing, "copy-armed", &frequency);
    if (!armed || start == 0 || end == 0 || frequency == 0)
        return Fail(setup, "the copy did not arm its timer");
    SIZE_T peak = PeakWorkingSet(setup.pid());
    // Exit in the pause closes at once; anything else ends by force.
    setup.ClickMain(IDC_EXIT);
    if (!setup.WaitExit(5000))
        setup.Kill();
    std::printf("%.4f %lu %lu\n", double(end - start) / double(frequency), static_cast<unsigned long>(peak),
                static_cast<unsigned long>(peak > peakBefore ? peak - peakBefore : 0));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::printf("usage: copy_setup_bench DESTINATION TIMINGFILE\n");
        return 2;
    }
    return Run(argv[1], argv[2]) ? 0 : 1;
}
