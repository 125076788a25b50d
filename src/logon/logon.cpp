// kovauser.exe, the logon program: what Windows runs once for each user at
// that user's next logon (Active Setup), with the user's own rights, after
// an installation without a user at the screen. It gives the user the
// finishing step's configuration file and nothing else: no window, no
// message, no other program started. Written into the destination by the
// installer, it takes its destination from where it lies.
#include <windows.h>

#include <cstring>

#include "core/command_line.h"
#include "frame/host.h"
#include "frame/process_guard.h"
#include "upgrade/user_step.h"

namespace {

// Nobody to tell or ask at a logon.
class Quiet final : public SetupHost {
public:
    void Status(int, const char*) override {}
    void Progress(uint32_t, uint32_t) override {}
    bool Ask(const char*, bool proposed) override { return proposed; }
    void Pace(DWORD) override {}
    void Tell(const char*, const char*) override {}
    bool StopConfirmed() override { return false; }
    bool Wait(HANDLE object, DWORD limitMs) override
    {
        WaitForSingleObject(object, limitMs);
        return true;
    }
    void GroupStepEnded(int, bool) override {}
};

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR arguments, int)
{
    NarrowLibrarySearch();
    CommandLine line;
    if (!ParseCommandLine(arguments, &line) || !line.UserStep)
        return ExitBadCommandLine;
    char destination[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, destination, MAX_PATH);
    char* slash = length > 0 && length < MAX_PATH ? std::strrchr(destination, '\\') : nullptr;
    if (!slash)
        return ExitFailed;
    *slash = '\0';
    // The product removed since: nothing to give the user.
    if (!HoldsProduct(destination))
        return ExitInstalled;
    Quiet host;
    InstallSession session = {nullptr, destination, 0, &host};
    RunUserStep(&session, line.LibraryGiven ? line.Library : nullptr);
    return ExitInstalled;
}
