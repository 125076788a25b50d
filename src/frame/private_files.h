// Files the installer writes by a known name (the log, the merged server
// configuration), written so that nobody else's file or link at that name
// is ever followed or written through: the installer runs with the
// administrators' or the system's rights, often in folders other users can
// write to.
#pragma once
#include <windows.h>

#include <cstddef>

// True when the installer runs as one of the system's own accounts
// (LocalSystem, LocalService, NetworkService).
bool RunsAsServiceAccount();

// A new, plain file at `path`, open for writing (others may read it), made
// only where nothing stands at the name (CREATE_NEW, following no reparse
// point) and checked through its handle to be a plain file with one name.
// What stands at the name is left alone (a file, a folder, or a link: Wine,
// like a link's owner, would take a removal of the name to the file behind
// it), unless `isEarlier` says, of a handle on it that follows no reparse
// point, that it is an earlier file of the caller's own: then it is deleted
// first, through that handle. INVALID_HANDLE_VALUE when the file cannot be
// made so.
HANDLE CreateFreshFile(const char* path, bool (*isEarlier)(HANDLE file) = nullptr);

// The folder for such files, with a trailing '\': `usual`, the temporary
// folder the caller would take (GetTempPath's, or TEMP), except under the
// system's own accounts, whose temporary folder (C:\Windows\Temp) every
// user may write to: there the system's private one (GetTempPath2A, which
// gives them C:\Windows\SystemTemp) or, where the system lacks it, a folder
// of the installer's own below `usual` that only SYSTEM and the
// administrators can enter. False when there is none: nothing is written.
bool TempFolderForKnownNames(const char* usual, char* path, size_t size);
