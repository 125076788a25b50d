// What the entry point makes sure of before anything else: libraries only
// from the system folder, whether anybody can see a window, and one setup of
// the product at a time on the whole PC.
#pragma once
#include <windows.h>

// Narrows the library search of this process to the system folder where the
// system can (Windows 8 and later, Vista and 7 with the update that brought
// SetDefaultDllDirectories): a library that system code loads by name after
// start-up is then never taken from the installer's folder (often Downloads).
void NarrowLibrarySearch();

// False where nobody sees a window or could answer one: session 0, where
// Windows Vista and later run services and nothing is shown, or a window
// station that is not visible.
bool HasInteractiveDesktop();

// One setup at a time, machine-wide and across accounts: a file in the
// Windows folder, where only administrators and the system's accounts can
// create files, held open without sharing and deleted when its last handle
// closes (also when the process ends in any way). Returns the handle; or
// INVALID_HANDLE_VALUE with *held set when another setup holds it or
// something else stands at its name, and without *held when the folder
// refuses this process (one without administrator rights, which could not
// install anyway).
HANDLE TakeSetupLock(bool* held);
