// The program group's DDE client: one conversation with Program Manager
// ("PROGMAN"/"PROGMAN") over raw DDE window messages, driven by the messages
// and the reply timer of a window it is given (the icon page, or a hidden
// window when nobody watches). When the conversation ends it tells the
// session's host. The icon page itself is in icon_page.cpp.
#pragma once
#include <windows.h>

#include "core/descriptor.h"
#include "frame/host.h"

enum DdePending {
    Idle = 0,
    Initiating = 1,
    RequestingGroups = 2,
    RequestingGroupItems = 3,
    Executing = 4
};

enum {
    FinishTimer = 1,
    FinishDelayMs = 1800,
    ReplyTimer = 2,
    ReplyDelayMs = 10000
};

struct DdeClient {
    HWND Page;                  // client window of the conversation, owner of the reply timer
    HWND Server;                // none until the initiate is acknowledged, and after EndConversation
    int Pending;                // DdePending
    int GroupExists;
    char* Commands;             // the command text, owned here
    const char* GroupName;      // from the ProgramItems terminator, or none
    InstallDescriptor* Install; // the descriptor whose items are installed
    HGLOBAL ExecuteBlock;       // the block posted with the execute: only its acknowledgement ends the wait
    int Broadcasting;           // 1 while the initiate broadcast runs
    int RepliesAllowed;         // 1 from the initiate until the server's own terminate (or the page's end)
    int NoServer;               // 1 when nobody answered the initiate
    InstallSession* Session;    // the destination, and the host told of the end
};

// The client of the icon page now shown, or null.
extern DdeClient* CurrentDdeClient;

// Creates a client on `window` over the session's descriptor (DeleteFirst
// flags cleared), or returns null when there is no memory for it.
DdeClient* CreateDdeClient(HWND window, InstallSession* session);
// Ends the conversation and frees the client and its command text.
void DeleteDdeClient(DdeClient* client);

// IconPageProc is declared with the other page procedures (frame/wizard.h).
bool HasIconWork(const DdeClient* client);
// Starts the conversation; false when nobody answered (the host has been told).
bool BeginGroupStep(DdeClient* client);
// The window's DDE messages and reply timer; false for any other message.
bool HandleConversationMessage(DdeClient* client, UINT message, WPARAM wParam, LPARAM lParam);
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
