// The unattended run (/S): the wizard's walk with nobody at the screen.
// Every decision is taken the way the wizard proposes it, nothing is shown,
// and the pauses that pace the pages for the eye are left out; the waits
// that protect data (the earlier uninstaller, the copy back of the user's
// configuration) stay. The steps are the wizard's own, reporting to a host
// that writes to the log instead of showing anything.
#include <cstdio>
#include <cstring>

#include "core/command_line.h"
#include "core/product_tables.h"
#include "frame/frame.h"
#include "frame/host.h"
#include "frame/private_files.h"
#include "frame/setup_log.h"
#include "frame/system_libraries.h"
#include "frame/wizard.h"
#include "pages/pages.h"
#include "pages/paths.h"
#include "payload/copy_engine.h"
#include "register/dde_client.h"
#include "register/registry.h"
#include "register/shortcuts.h"
#include "upgrade/upgrade.h"
#include "upgrade/user_step.h"

namespace {

class Unattended final : public SetupHost {
public:
    void Status(int, const char*) override {}
    void Progress(uint32_t, uint32_t) override {}
    bool Ask(const char* text, bool proposed) override
    {
        LogLine("asked nobody, answered %s: %s", proposed ? "Yes" : "No", text);
        return proposed;
    }
    void Pace(DWORD) override {}
    void Tell(const char* caption, const char* text) override
    {
        LogLine("message (%s): %s", caption ? caption : "Error", text);
    }
    bool StopConfirmed() override { return false; }
    bool Wait(HANDLE object, DWORD limitMs) override
    {
        WaitForSingleObject(object, limitMs);
        return true;
    }
    void GroupStepEnded(int errorCode, bool noServer) override
    {
        GroupEnded = true;
        GroupError = errorCode;
        NoServer = noServer;
    }

    bool GroupEnded = false;
    int GroupError = 0;
    bool NoServer = false;
};

DdeClient* Conversation = nullptr;

LRESULT CALLBACK ConversationProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (Conversation && HandleConversationMessage(Conversation, message, wParam, lParam))
        return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// The error page's text for a failed step, for the log.
void LogStepError(int code, const char* argument)
{
    char text[512];
    FormatErrorText(code, argument, text, sizeof text);
    LogLine("error %d: %s", code, text);
}

int CopyFiles(InstallSession* session)
{
    CopyEngine* engine = CreateCopyEngine(session);
    if (!engine) {
        LogStepError(ErrAborted, nullptr);
        return ExitFailed;
    }
    bool copied = PrepareTargets(engine) && CopyAllFiles(engine);
    if (!copied)
        LogStepError(engine->ErrorCode, engine->ErrorArg);
    DestroyCopyEngine(engine);
    FreeCopyEngine(engine);
    return copied ? ExitInstalled : ExitFailed;
}

int WriteRegistryRows(InstallSession* session)
{
    RegistryWriter writer = {session, 0, nullptr, session->Descriptor};
    if (!WriteRegistry(&writer)) {
        LogStepError(writer.ErrorCode ? writer.ErrorCode : ErrRegistry, writer.ErrorArg);
        return ExitFailed;
    }
    if (ProgramSelected)
        WriteUninstallEntry(session);
    return ExitInstalled;
}

// The window of the Program Manager conversation: message-only, never shown.
HWND MakeConversationWindow()
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ConversationProc;
    windowClass.hInstance = AppInstance;
    windowClass.lpszClassName = SetupConversationClass;
    RegisterClassA(&windowClass);
    return CreateWindowA(SetupConversationClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, AppInstance, nullptr);
}

// The program group over DDE from `window`; its end comes through the host.
// 0 made, else the error code.
int MakeProgramGroup(InstallSession* session, Unattended* host, HWND window)
{
    Conversation = window ? CreateDdeClient(window, session) : nullptr;
    if (!Conversation)
        return ErrProgramGroup;
    if (HasIconWork(Conversation) && BeginGroupStep(Conversation)) {
        MSG msg;
        while (!host->GroupEnded && GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    DeleteDdeClient(Conversation);
    Conversation = nullptr;
    return host->GroupError;
}

// The conversation runs on a thread of its own, started as the copy begins,
// so that its window (for which Wine, for one, asks the desktop, at a cost)
// is made while the files are copied; it talks to Program Manager only when it
// is told to, after the registry. Where the desktop does not answer (a
// session with a desktop and no shell; under Wine, a desktop whose process
// is held) making a window waits for it, and the run must not wait with it.
// Once the window is there, the conversation's own time limits bound it.
enum GroupState : LONG { GroupMaking, GroupReady, GroupTalking, GroupGivenUp };
struct GroupWork {
    InstallSession* Session;
    Unattended* Host;
    HANDLE Ready;  // set by the thread once its window is made
    HANDLE Go;     // set by the run: talk, or (given up) end
    volatile LONG State;
    int Error;
};
// Static: a thread given up on may come back to it after the run has moved on.
GroupWork TheGroupWork;
const DWORD DesktopAnswerMs = 10000;

DWORD WINAPI TalkToProgramManager(void* parameter)
{
    GroupWork* work = static_cast<GroupWork*>(parameter);
    HWND window = MakeConversationWindow();
    // The shell is loaded here too, while the files are copied: the run's
    // registry step, its first user, then finds it loaded (and loading it
    // there while this thread makes its window could deadlock the loader).
    // Telling the shell of the new file type loads COM's library as well.
    SystemLibraries::Library("shell32.dll");
    SystemLibraries::Library("ole32.dll");
    if (InterlockedCompareExchange(&work->State, GroupReady, GroupMaking) == GroupMaking) {
        SetEvent(work->Ready);
        WaitForSingleObject(work->Go, INFINITE);
        if (work->State == GroupTalking)
            work->Error = MakeProgramGroup(work->Session, work->Host, window);
    }
    if (window)
        DestroyWindow(window);
    return 0;
}

// Starts the conversation's thread; null when it cannot run (then there is
// no program group over DDE).
HANDLE StartGroupThread(Unattended* host)
{
    TheGroupWork = {nullptr, host, CreateEventA(nullptr, TRUE, FALSE, nullptr),
                    CreateEventA(nullptr, TRUE, FALSE, nullptr), GroupMaking, ErrProgramGroup};
    if (!TheGroupWork.Ready || !TheGroupWork.Go)
        return nullptr;
    return CreateThread(nullptr, 0, TalkToProgramManager, &TheGroupWork, 0, nullptr);
}

// Lets the thread go without a conversation (the run ended before it).
void EndGroupThread(HANDLE thread)
{
    if (!thread)
        return;
    InterlockedExchange(&TheGroupWork.State, GroupGivenUp);
    SetEvent(TheGroupWork.Go);
    CloseHandle(thread);
}

// Waits, at most DesktopAnswerMs, for the thread's window; true when it is
// there, false once the thread is given up on.
bool GroupThreadReady(HANDLE thread)
{
    if (!thread || TheGroupWork.State == GroupGivenUp)
        return false;
    if (WaitForSingleObject(TheGroupWork.Ready, DesktopAnswerMs) == WAIT_TIMEOUT &&
        InterlockedCompareExchange(&TheGroupWork.State, GroupGivenUp, GroupMaking) == GroupMaking)
        LogLine("program group: the desktop did not answer in %lu s", DesktopAnswerMs / 1000);
    return TheGroupWork.State != GroupGivenUp;
}

int MakeProgramGroupWithin(InstallSession* session, Unattended* host, HANDLE thread)
{
    if (!thread)
        return ErrProgramGroup;
    TheGroupWork.Session = session;
    if (!GroupThreadReady(thread)) {
        host->NoServer = true;
        return ErrProgramGroup;
    }
    InterlockedExchange(&TheGroupWork.State, GroupTalking);
    SetEvent(TheGroupWork.Go);
    WaitForSingleObject(thread, INFINITE);
    return TheGroupWork.Error;
}

// The run's work; *groupThread is the conversation's thread once started.
int Install(Unattended* host, const CommandLine& line, HANDLE* groupThread)
{
    if (!PrepareInstallation()) {
        LogLine("system: not supported");
        return ExitSystemUnsupported;
    }
    LogLine("system: supported");
    if (line.DestinationGiven)
        SetDestinationDir(line.Destination);
    SelectChosenComponents();
    // Taken now: the session holds the system decision just made.
    InstallSession* session = CurrentSession();

    switch (CheckDestination(session, FindWindowA(ProductWindowClass, nullptr))) {
    case DestinationUsable:
        break;
    case DestinationProductRunning:
        return ExitProductRunning;
    default:
        return ExitDestinationUnusable;
    }
    if (!PayloadFitsDestination(session->DestinationDir)) {
        LogLine("destination: the payload does not fit");
        return ExitDestinationUnusable;
    }
    if (FindOldProgram(session)) {
        LogLine("replace: yes");
        RemoveOldInstallation(session);
    }
    // Started as the copy begins, not sooner: while it makes its window and
    // loads the shell it holds the system's loader, which the checks above
    // need too (they waited for it, 8 ms of 11 under Wine).
    *groupThread = StartGroupThread(host);
    int code = CopyFiles(session);
    // The registry step calls the shell, which the conversation's thread
    // loads: not both at once.
    GroupThreadReady(*groupThread);
    if (code == ExitInstalled)
        code = WriteRegistryRows(session);
    if (code != ExitInstalled)
        return code;
    int groupError = MakeProgramGroupWithin(session, host, *groupThread);
    // No Program Manager at all (a service's session has no desktop): the
    // group's items go into the all-users Programs folder as shortcut files.
    if (groupError && host->NoServer && MakeGroupShortcuts(session)) {
        LogLine("program group: made as shortcut files, since no Program Manager answered");
        groupError = 0;
    }
    FinishInstallationOnce(0);
    if (line.AllUsers || RunsAsServiceAccount())
        RegisterUserStep(session);
    return groupError ? ExitGroupNotCreated : ExitInstalled;
}

}  // namespace

int RunUnattended(const CommandLine& line)
{
    Unattended host;
    SetSessionHost(&host);
    HANDLE groupThread = nullptr;
    int code = Install(&host, line, &groupThread);
    EndGroupThread(groupThread);
    SetSessionHost(WizardHost());
    return code;
}
