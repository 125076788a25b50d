// The icon page and its DDE client: one conversation with Program Manager
// ("PROGMAN"/"PROGMAN") over raw DDE window messages, driven by the page's
// messages and two timers.
#pragma once
#include <windows.h>

#include "frame/descriptor.h"

enum DdePending {
    Idle = 0,
    Initiating = 1,
    RequestingGroups = 2,
    RequestingGroupItems = 3,
    Executing = 4
};

enum {
    IconStartCommand = 128,
    IconNothingCommand = 129,
    FinishTimer = 1,
    FinishDelayMs = 1800,
    ReplyTimer = 2,
    ReplyDelayMs = 10000
};

struct DdeClient {
    HWND Page;                  // client window of the conversation, owner of the timers
    HWND Server;                // none until the initiate is acknowledged, and after EndConversation
    int Pending;                // DdePending
    int GroupExists;
    char* Commands;             // the command text, owned here
    const char* GroupName;      // from the ProgramItems terminator, or none
    InstallDescriptor* Install; // the descriptor whose items are installed
    HGLOBAL ExecuteBlock;       // the block posted with the execute: only its acknowledgement ends the wait
    int Broadcasting;           // 1 while the initiate broadcast runs
    int RepliesAllowed;         // 1 from the initiate until the server's own terminate (or the page's end)
};

// The client of the icon page now shown, or null.
extern DdeClient* CurrentDdeClient;

// Creates a client for `page` over `install` (DeleteFirst flags cleared), or
// returns null when there is no memory for it.
DdeClient* CreateDdeClient(HWND page, InstallDescriptor* install);
// Ends the conversation and frees the client and its command text.
void DeleteDdeClient(DdeClient* client);

// IconPageProc is declared with the other page procedures (frame/wizard.h).
bool HasIconWork(const DdeClient* client);
bool StartConversation(DdeClient* client);
void EndConversation(DdeClient* client);
bool RequestGroupList(DdeClient* client);
bool RequestGroupItems(DdeClient* client);
void CheckGroupList(DdeClient* client, const char* text);
void MarkExistingItems(DdeClient* client, const char* text);
bool BuildCommands(DdeClient* client);
bool ExecuteCommands(DdeClient* client, const char* text);
void OnDdeAck(DdeClient* client, HWND sender, LPARAM lParam);
void OnDdeData(DdeClient* client, HWND sender, HGLOBAL data, ATOM item);
// The server's terminate: the answer to ours, or the server ending the
// conversation itself (then answered, and a reply still awaited fails).
void OnDdeTerminate(DdeClient* client, HWND sender);
bool IsWindowsNt6();
