// The finishing step run just before the completion page: the user's copy of
// the library server's configuration, obsolete files of older releases, and
// the boot-time operations that must not touch the new installation.
// FinishInstallation itself is declared with the frame's calls (frame/wizard.h).
#pragma once
#include "core/descriptor.h"
#include "core/server_config.h"
#include "frame/wizard.h"

// KOVAWIN_LIB as the installer started with it (filled before the entry
// point runs, so that every step sees the same value), or as given to each
// user's step.
extern LibraryEnvironmentRecord LibraryEnvironment;
void InitLibraryEnvironment();
void SetLibraryEnvironment(const char* value);

// Puts the merged file over the user's copy in `userDir`: the process that
// does it (waited for at most FinishWaitLimitMs, its exit code read), or
// null when it was done at once or could not be started.
typedef HANDLE (*CopyBackFunction)(const char* mergedFile, const char* userDir);
// The installer's: the system's command interpreter, hidden.
HANDLE CopyBackByInterpreter(const char* mergedFile, const char* userDir);

// The user's part of the finishing step: %UserProfile%\KOVA_TMP with a copy
// of the installed server configuration, the library merged in when one was
// given (LibraryEnvironment) and put over the user's copy by `copyBack`.
// Also each user's step at logon.
void GiveUserConfiguration(InstallSession* session, CopyBackFunction copyBack);

// Deletes the files older releases left in `destination`; failures are ignored.
void DeleteObsoleteFiles(const char* destination);

// Drops from PendingFileRenameOperations every pair whose source names the
// same file as `path` (a native path, "\??\" and a Win32 path). 1 when the
// value was rewritten, 0 otherwise.
int CancelPendingOperations(const char* path);

// The longest the step waits for the user's copy to appear, and for the
// command interpreter that copies the merged file back to end.
const unsigned long FinishWaitLimitMs = 10000;
