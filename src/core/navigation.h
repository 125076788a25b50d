// Navigation rules of the wizard as plain logic: the page list and the
// operating-system decision. No windows here.
#pragma once
#include <cstdint>

// A page list of `count` ids 0..count-1, ended by -1 (capacity count + 1).
struct PageListState {
    int* Ids;
    int Count;
};

// Allocates and fills; returns false when memory is short.
bool PageListBuild(PageListState* list, int count);
void PageListFree(PageListState* list);
// Inserts (present) or removes a page id, keeping ascending order; ids of
// Count or more are ignored.
void PageListSet(PageListState* list, int pageId, bool present);

// How the buttons stand on the page at a position of the list.
struct PageButtons {
    bool SetByFrame;   // false: the page sets them (the destination page, at position 1)
    bool Back;
    bool Next;
    bool Work;         // a work page or the last page: the thread's priority is lowered too
};

// Work pages (ids from firstWorkPage on) have neither Back nor Next, and the
// page just before them, the last question, has no Back; elsewhere Back is
// live past the first position and Next while a page follows.
PageButtons PageButtonsAt(const PageListState& list, int position, int firstWorkPage);

// The platform's version report, as far as the decision needs it.
struct OsVersion {
    uint32_t PlatformId;    // 0 Win32s, 1 Windows 95/98, 2 NT
    uint32_t MajorVersion;
};

struct OsDecision {
    bool Supported;
    int UseFontsFolder;     // 1 Windows Fonts folder, 0 SYSTEM folder
};

OsDecision DecideOperatingSystem(int osFlags, const OsVersion& version);
