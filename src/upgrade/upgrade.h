// Decisions taken when a page is left, and the steps that deal with an
// earlier installation in the destination directory.
#pragma once
#include <cstdint>

#include "core/product_tables.h"

struct InstallSession;
struct HWND__;
struct HKEY__;

// What leaving the destination page finds.
enum DestinationCheckResult {
    DestinationUsable = 0,
    DestinationTooLong = 1,        // said through the host
    DestinationNotCreated = 2,
    DestinationProductRunning = 3  // said through the host
};
// The checks of the destination page's Next: the length, the directory
// (made when missing) and the running product: its main window (or null),
// or any file the copy would replace held by a process in any session.
int CheckDestination(InstallSession* session, HWND__* runningProduct);
// True when kova.exe or kovamain.exe lies (as a file) in the destination.
bool FindOldProgram(const InstallSession* session);
// Starts the earlier uninstaller, drops the two older uninstall keys and
// waits (through the host, at most `limitMs`) for the uninstaller and what
// it starts to end; what still runs then is ended. Without an uninstaller,
// deletes the files directly in the destination. False when the user asked
// to stop while it waited.
bool RemoveOldInstallation(InstallSession* session, unsigned long limitMs = UninstallerWaitMs);
// Deletes every file directly inside dir; subdirectories stay.
void DeleteDirectoryFiles(const char* dir);
// 1 deleted, 0 deletion failed, else the registry error of opening the key.
long DeleteUninstallKey(const char* name);
// This release's uninstall entry and its product identity.
void WriteUninstallEntry(const InstallSession* session);
