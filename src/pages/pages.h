// Helpers shared by the page sources beyond the contract in paths.h: the
// replace choice and the drive measurements of the destination page.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

#include "core/path_join.h"
#include "core/space.h"

// Process-wide choice of the replace page: 1 replace, 0 keep. 1 at start.
extern int ReplaceOldInstallation;

int32_t GetFreeBytes(char driveLetter);
// Whether the selected payload fits the drive `dir` names (as the
// destination page's Next button says).
bool PayloadFitsDestination(const char* dir);
void ShowMegabytes(HWND page, int controlId, uint32_t bytes);
void UpdateSpaceDisplay(HWND page, char driveLetter);
