#include "register/dde_client.h"

#include <dde.h>

#include <cstdlib>
#include <cstring>

#include "core/progman.h"
#include "frame/frame.h"
#include "frame/setup_log.h"
#include "frame/system_function.h"
#include "pages/paths.h"

DdeClient* CurrentDdeClient = nullptr;

namespace {

const char* const ProgmanName = "PROGMAN";
const int CommandsSize = 8192;
const WORD AckPositive = 0x8000;
const WORD DataAckRequested = 0x8000;
const WORD DataRelease = 0x2000;
const DWORD InitiateTimeoutMs = 500;
// The whole initiate: each window that does not answer costs it the time-out
// above, and a held shell with many windows open would keep the run waiting
// that many half seconds.
const DWORD InitiateBoundMs = 3000;

bool IsAtom(UINT_PTR value)
{
    char name[256];
    return value >= MAXINTATOM && value <= 0xFFFF && GlobalGetAtomNameA(ATOM(value), name, sizeof name) > 0;
}

// The conversation ends (timers, state) before the host hears of it: a late
// reply arriving while the host shows something must find nothing to act on.
void EndGroupStep(DdeClient* client, int errorCode)
{
    KillTimer(client->Page, ReplyTimer);
    client->Pending = Idle;
    EndConversation(client);
    LogLine(errorCode ? "program group: not made%s" : "program group: made%s",
            client->NoServer ? " (no Program Manager answered)" : "");
    client->Session->Host->GroupStepEnded(errorCode, client->NoServer != 0);
}

// On systems that isolate the installer (elevated) from a desktop shell of a
// lower level, the server's acknowledgements, data and terminate would be
// dropped on the way to the page while the server's sends still report
// success. The filter function is looked up, so that systems without it are
// left as they are.
void AllowServerReplies(DdeClient* client, bool allow)
{
    if (client->RepliesAllowed == (allow ? 1 : 0))
        return;
    client->RepliesAllowed = allow ? 1 : 0;
    HWND page = client->Page;
    typedef BOOL(WINAPI * FilterFunction)(HWND, UINT, DWORD, void*);
    FilterFunction filter = SystemFunction<FilterFunction>("user32.dll", "ChangeWindowMessageFilterEx");
    if (!filter)
        return;
    const DWORD action = allow ? 1 : 0;  // MSGFLT_ALLOW, MSGFLT_RESET
    filter(page, WM_DDE_ACK, action, nullptr);
    filter(page, WM_DDE_DATA, action, nullptr);
    filter(page, WM_DDE_TERMINATE, action, nullptr);
}

// A post failed: nothing will answer, so end the page as a late reply would.
void FailSoon(DdeClient* client)
{
    client->Pending = Idle;
    EndConversation(client);
    SetTimer(client->Page, ReplyTimer, 1, nullptr);
}

bool PostRequest(DdeClient* client, const char* itemName, int nextPending)
{
    ATOM item = GlobalAddAtomA(itemName);
    if (!item)
        return false;
    if (!PostMessageA(client->Server, WM_DDE_REQUEST, reinterpret_cast<WPARAM>(client->Page), MAKELPARAM(CF_TEXT, item))) {
        GlobalDeleteAtom(item);
        return false;
    }
    client->Pending = nextPending;
    SetTimer(client->Page, ReplyTimer, ReplyDelayMs, nullptr);
    LogLine("DDE request: %s", itemName);
    return true;
}

// An acknowledgement that answers nothing this client waits for: give back
// what it carries and otherwise ignore it.
void ReleaseAck(LPARAM lParam)
{
    UINT_PTR low = 0;
    UINT_PTR high = 0;
    if (!UnpackDDElParam(WM_DDE_ACK, lParam, &low, &high))
        return;
    FreeDDElParam(WM_DDE_ACK, lParam);
    if (IsAtom(high))
        GlobalDeleteAtom(ATOM(high));
}

bool IsExecuteAck(const DdeClient* client, HWND sender, LPARAM lParam)
{
    UINT_PTR low = 0;
    UINT_PTR high = 0;
    if (sender != client->Server || !client->ExecuteBlock)
        return false;
    if (!UnpackDDElParam(WM_DDE_ACK, lParam, &low, &high))
        return false;
    return high == reinterpret_cast<UINT_PTR>(client->ExecuteBlock);
}

bool IsRefusal(const DdeClient* client, HWND sender, LPARAM lParam)
{
    UINT_PTR status = 0;
    UINT_PTR item = 0;
    return sender == client->Server && UnpackDDElParam(WM_DDE_ACK, lParam, &status, &item) &&
           (status & AckPositive) == 0;
}

void OnInitiateAck(DdeClient* client, HWND sender, LPARAM lParam)
{
    client->Server = sender;
    GlobalDeleteAtom(LOWORD(lParam));
    GlobalDeleteAtom(HIWORD(lParam));
    client->Pending = Idle;
    SetForegroundWindow(client->Server);
    if (!RequestGroupList(client))
        FailSoon(client);
}

// A second server answering the same broadcast gets its conversation ended.
void OnExtraInitiateAck(DdeClient* client, HWND sender, LPARAM lParam)
{
    GlobalDeleteAtom(LOWORD(lParam));
    GlobalDeleteAtom(HIWORD(lParam));
    if (IsWindow(sender))
        PostMessageA(sender, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client->Page), 0);
}

void OnExecuteAck(DdeClient* client, LPARAM lParam)
{
    LogLine("DDE execute acknowledged");
    UINT_PTR low = 0;
    UINT_PTR high = 0;
    UnpackDDElParam(WM_DDE_ACK, lParam, &low, &high);
    GlobalFree(reinterpret_cast<HGLOBAL>(high));
    FreeDDElParam(WM_DDE_ACK, lParam);
    client->ExecuteBlock = nullptr;
    EndGroupStep(client, 0);
}

// The text of a data block, never read past the block's end: a terminated
// copy to free, or null when there is no memory for it.
char* BlockText(HGLOBAL data, const BYTE* bytes)
{
    SIZE_T size = GlobalSize(data);
    const char* text = reinterpret_cast<const char*>(bytes + 4);
    size_t length = 0;
    while (size > 4 && length < size - 4 && text[length] != '\0')
        ++length;
    char* copy = static_cast<char*>(std::malloc(length + 1));
    if (copy) {
        std::memcpy(copy, text, length);
        copy[length] = '\0';
    }
    return copy;
}

void OnDataMessage(DdeClient* client, WPARAM wParam, LPARAM lParam)
{
    UINT_PTR low = 0;
    UINT_PTR high = 0;
    if (!UnpackDDElParam(WM_DDE_DATA, lParam, &low, &high))
        return;
    FreeDDElParam(WM_DDE_DATA, lParam);
    OnDdeData(client, reinterpret_cast<HWND>(wParam), reinterpret_cast<HGLOBAL>(low), ATOM(high));
}

} // namespace

DdeClient* CreateDdeClient(HWND window, InstallSession* session)
{
    DdeClient* client = static_cast<DdeClient*>(std::calloc(1, sizeof(DdeClient)));
    if (!client)
        return nullptr;
    InstallDescriptor* install = session->Descriptor;
    client->Page = window;
    client->Pending = Idle;
    client->Install = install;
    client->Session = session;
    for (ProgramItemRow* row = install->ProgramItems; row && row->ComponentKey != 0; ++row)
        row->DeleteFirst = 0;
    client->GroupName = ProgramGroupName(install);
    return client;
}

void DeleteDdeClient(DdeClient* client)
{
    if (!client)
        return;
    EndConversation(client);
    AllowServerReplies(client, false);
    std::free(client->Commands);
    if (CurrentDdeClient == client)
        CurrentDdeClient = nullptr;
    std::free(client);
}

bool HandleConversationMessage(DdeClient* client, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != ReplyTimer)
            return false;
        KillTimer(client->Page, ReplyTimer);
        EndGroupStep(client, ErrProgramGroup);
        return true;
    case WM_DDE_ACK:
        OnDdeAck(client, reinterpret_cast<HWND>(wParam), lParam);
        return true;
    case WM_DDE_DATA:
        OnDataMessage(client, wParam, lParam);
        return true;
    case WM_DDE_TERMINATE:
        OnDdeTerminate(client, reinterpret_cast<HWND>(wParam));
        return true;
    default:
        return false;
    }
}

bool BeginGroupStep(DdeClient* client)
{
    if (StartConversation(client))
        return true;
    EndGroupStep(client, ErrProgramGroup);
    return false;
}

bool HasIconWork(const DdeClient* client)
{
    return client->Install->ProgramItems != nullptr || client->GroupName != nullptr;
}

namespace {

struct InitiateSend {
    HWND Client;
    LPARAM Names;
    DWORD Start;
};

// The initiate to each top-level window, as a broadcast sends it, until the
// bound is spent.
BOOL CALLBACK SendInitiate(HWND window, LPARAM parameter)
{
    const InitiateSend* send = reinterpret_cast<const InitiateSend*>(parameter);
    DWORD spent = GetTickCount() - send->Start;
    if (spent >= InitiateBoundMs)
        return FALSE;
    DWORD left = InitiateBoundMs - spent;
    SendMessageTimeoutA(window, WM_DDE_INITIATE, reinterpret_cast<WPARAM>(send->Client), send->Names,
                        SMTO_ABORTIFHUNG, left < InitiateTimeoutMs ? left : InitiateTimeoutMs, nullptr);
    return TRUE;
}

}  // namespace

bool StartConversation(DdeClient* client)
{
    client->Pending = Initiating;
    AllowServerReplies(client, true);
    ATOM application = GlobalAddAtomA(ProgmanName);
    ATOM topic = GlobalAddAtomA(ProgmanName);
    client->Broadcasting = 1;
    // The server acknowledges with a sent message while the broadcast runs.
    InitiateSend send = {client->Page, MAKELPARAM(application, topic), GetTickCount()};
    EnumWindows(SendInitiate, reinterpret_cast<LPARAM>(&send));
    client->Broadcasting = 0;
    GlobalDeleteAtom(application);
    GlobalDeleteAtom(topic);
    if (client->Pending == Initiating) {
        client->NoServer = 1;  // nobody answered at all: no refusal, no Program Manager
        return false;
    }
    return true;
}

void EndConversation(DdeClient* client)
{
    HWND server = client->Server;
    if (!server)
        return;
    client->Server = nullptr;
    // The filter stays open for the server's answering terminate.
    if (!IsWindow(server) || !PostMessageA(server, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client->Page), 0))
        AllowServerReplies(client, false);
}

void OnDdeTerminate(DdeClient* client, HWND sender)
{
    if (sender != client->Server) {
        if (!client->Server)
            AllowServerReplies(client, false);  // the answer to ours: the conversation is over
        return;
    }
    client->Server = nullptr;
    PostMessageA(sender, WM_DDE_TERMINATE, reinterpret_cast<WPARAM>(client->Page), 0);
    AllowServerReplies(client, false);
    if (client->Pending != Idle)
        FailSoon(client);
}

bool RequestGroupList(DdeClient* client)
{
    return PostRequest(client, ProgmanName, RequestingGroups);
}

bool RequestGroupItems(DdeClient* client)
{
    return client->GroupName && PostRequest(client, client->GroupName, RequestingGroupItems);
}

void CheckGroupList(DdeClient* client, const char* text)
{
    if (GroupListNamesGroup(text, client->GroupName))
        client->GroupExists = 1;
}

void MarkExistingItems(DdeClient* client, const char* text)
{
    MarkItemsInReply(text, client->Install->ProgramItems);
}

bool BuildCommands(DdeClient* client)
{
    char prefix[MAX_PATH + 2];
    MakeDestinationPrefix(client->Session->DestinationDir, prefix, sizeof prefix);
    bool nt6 = IsWindowsNt6();
    size_t length = ComposeCommands(client->Install, prefix, client->GroupExists, nt6, nullptr, 0);
    size_t size = length + 1 > size_t(CommandsSize) ? length + 1 : size_t(CommandsSize);
    std::free(client->Commands);
    client->Commands = static_cast<char*>(std::malloc(size));
    if (!client->Commands)
        return false;
    ComposeCommands(client->Install, prefix, client->GroupExists, nt6, client->Commands, size);
    return ExecuteCommands(client, client->Commands);
}

bool ExecuteCommands(DdeClient* client, const char* text)
{
    size_t length = std::strlen(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, length + 16);
    if (!block)
        return false;
    char* copy = static_cast<char*>(GlobalLock(block));
    if (!copy) {
        GlobalFree(block);
        return false;
    }
    std::memcpy(copy, text, length + 1);
    GlobalUnlock(block);
    if (!PostMessageA(client->Server, WM_DDE_EXECUTE, reinterpret_cast<WPARAM>(client->Page),
                      reinterpret_cast<LPARAM>(block))) {
        GlobalFree(block);
        return false;
    }
    client->ExecuteBlock = block;
    client->Pending = Executing;
    LogLine("DDE execute: %s", text);
    SetTimer(client->Page, ReplyTimer, ReplyDelayMs, nullptr);
    return true;
}

void OnDdeAck(DdeClient* client, HWND sender, LPARAM lParam)
{
    if (client->Pending == Initiating) {
        OnInitiateAck(client, sender, lParam);
        return;
    }
    if (client->Broadcasting) {
        OnExtraInitiateAck(client, sender, lParam);
        return;
    }
    // Only the acknowledgement of the command block ends the execute; a server
    // may follow the data of a request with a positive acknowledgement of its own.
    if (client->Pending == Executing && IsExecuteAck(client, sender, lParam)) {
        OnExecuteAck(client, lParam);
        return;
    }
    // The server will not list the group's items: go on at once as if it
    // held none of ours, rather than wait for a reply that will not come.
    bool itemsRefused = client->Pending == RequestingGroupItems && IsRefusal(client, sender, lParam);
    ReleaseAck(lParam);
    if (itemsRefused) {
        LogLine("DDE reply: the group's items were refused");
        KillTimer(client->Page, ReplyTimer);
        if (!BuildCommands(client))
            FailSoon(client);
    }
}

void OnDdeData(DdeClient* client, HWND sender, HGLOBAL data, ATOM item)
{
    // Data that answers no request of this conversation (it has ended, or
    // the server sends unasked) is acknowledged negatively and not acted on.
    bool requested = sender == client->Server &&
                     (client->Pending == RequestingGroups || client->Pending == RequestingGroupItems);
    if (requested)
        KillTimer(client->Page, ReplyTimer);
    const BYTE* bytes = static_cast<const BYTE*>(GlobalLock(data));
    WORD status = 0;
    WORD flags = 0;
    if (bytes && GlobalSize(data) >= 4) {
        WORD format = 0;
        std::memcpy(&flags, bytes, sizeof flags);
        std::memcpy(&format, bytes + 2, sizeof format);
        if (format == CF_TEXT && requested) {
            status = AckPositive;
            char* text = BlockText(data, bytes);
            LogLine("DDE reply: %s", text ? text : "");
            if (text && client->Pending == RequestingGroups)
                CheckGroupList(client, text);
            else if (text && client->Pending == RequestingGroupItems)
                MarkExistingItems(client, text);
            std::free(text);
        }
    }

    if (flags & DataAckRequested) {
        LPARAM ack = PackDDElParam(WM_DDE_ACK, status, item);
        if (!PostMessageA(sender, WM_DDE_ACK, reinterpret_cast<WPARAM>(client->Page), ack)) {
            FreeDDElParam(WM_DDE_ACK, ack);
            GlobalDeleteAtom(item);
            if (bytes)
                GlobalUnlock(data);
            GlobalFree(data);
            goto next;
        }
    } else {
        GlobalDeleteAtom(item);
    }
    if (bytes)
        GlobalUnlock(data);
    if ((flags & DataRelease) || status == AckPositive)
        GlobalFree(data);

next:
    if (!requested)
        return;
    if (client->GroupExists == 1 && client->Pending == RequestingGroups && RequestGroupItems(client))
        return;
    if (!BuildCommands(client))
        FailSoon(client);
}

