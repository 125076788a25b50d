// Helpers shared by the page sources beyond the contract in paths.h.
#pragma once
#include <cstddef>
#include <cstdint>

// Process-wide choice of the replace page: 1 replace, 0 keep. 1 at start.
extern int ReplaceOldInstallation;

// dir + '\' + name into out, with no '\' added after a dir that ends in one
// (a drive's root) and none for an empty name (dir alone); false (out
// emptied) when it would not fit.
bool JoinPath(char* out, size_t outSize, const char* dir, const char* name);

// dir with exactly one '\' at its end (an empty dir stays empty), to put
// names after; 0 (out emptied) when it would not fit.
int MakeDestinationPrefix(const char* dir, char* out, int outSize);

// dir + '\' + name in double quotes, for a command line; false (out emptied)
// when the path itself would not fit a Windows path.
bool QuotedPath(char* out, size_t outSize, const char* dir, const char* name);

// The quoted getting-started document path for the shell; false when the
// document's path would be longer than a Windows path can be.
bool BuildGuideCommand(char* out, size_t outSize, const char* dir);

// Free bytes of a drive: -1 not available, -2 more than 2 GB.
const int32_t FreeSpaceUnknown = -1;
const int32_t FreeSpaceOver2Gb = -2;

#if defined(_WIN32)
#include <windows.h>
int32_t GetFreeBytes(char driveLetter);
// Whether the selected payload fits the drive `dir` names (as the
// destination page's Next button says).
bool PayloadFitsDestination(const char* dir);
void ShowMegabytes(HWND page, int controlId, uint32_t bytes);
void UpdateSpaceDisplay(HWND page, char driveLetter);
#endif
