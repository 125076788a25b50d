// The wizard as the steps' host: the page now shown gets the copy's status
// and progress, questions and messages are message boxes, a stop is the
// frame's question, and waits keep the window alive.
#include "frame/frame.h"
#include "frame/host.h"
#include "frame/wizard.h"
#include "pages/paths.h"
#include "payload/copy_engine.h"

namespace {

class Wizard final : public SetupHost {
public:
    void Status(int line, const char* text) override { ShowCopyStatus(line, text); }
    void Progress(uint32_t, uint32_t) override { PaintProgress(); }
    bool Ask(const char* text, bool) override
    {
        return MessageBoxA(CurrentPage, text, "Install", MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
    void Pace(DWORD ms) override { Sleep(ms); }
    void Tell(const char* caption, const char* text) override { MessageBoxA(nullptr, text, caption, MB_OK); }
    bool StopConfirmed() override { return ConfirmAbort(CurrentPage); }
    bool Wait(HANDLE object, DWORD limitMs) override { return WaitWithWindowAlive(object, limitMs); }
    void GroupStepEnded(int errorCode, bool) override { IconStepEnded(errorCode); }
};

Wizard TheWizard;
SetupHost* SessionHost = &TheWizard;
InstallSession Session;

}  // namespace

SetupHost* WizardHost()
{
    return &TheWizard;
}

void SetSessionHost(SetupHost* host)
{
    SessionHost = host;
}

InstallSession* CurrentSession()
{
    Session.Descriptor = &Descriptor;
    Session.DestinationDir = DestinationDir;
    Session.UseFontsFolder = UseFontsFolder;
    Session.Host = SessionHost;
    return &Session;
}
