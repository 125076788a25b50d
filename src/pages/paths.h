// The destination directory and the path and disk-space helpers around it.
#pragma once
#include <cstdint>

extern char DestinationDir[260];
extern char SharedFilesDir[260];
extern char LastDriveLetter;
extern int AllocationShift;

const char* GetDestinationDir();
// SharedFilesDir when set and on the destination's drive letter (case-insensitive), else null.
const char* SharedFilesDirOnDestinationDrive();
void SetDestinationDir(const char* path);
void SetSharedFilesDir(const char* path);
void SetDefaultDestination(const char* folder);
void SetDefaultSharedFilesDir(const char* subfolder, const char* name);

bool IsDirectory(const char* path);
bool IsExistingFile(const char* path);
bool CreateDirectoryPath(const char* path);

// Platform-free (space.cpp): sizes rounded to the allocation unit.
uint32_t RoundToAllocation(uint32_t size);
void SetAllocationUnit(uint32_t bytesPerSector);
// Sum of RoundToAllocation(Size) over the descriptor's Files rows of
// `componentKey` (0: all) that are selected (any row when countAll).
uint32_t RequiredBytes(int componentKey, bool countAll);
// Whether a payload of `required` bytes fits a drive with `free` bytes
// (-1 not available, -2 more than 2 GB).
bool PayloadFits(uint32_t required, int32_t free);
// The longest destination directory from which every file of the
// descriptor's Files table still has a path of at most 259 characters.
uint32_t LongestDestinationLength();
// "%d.%d MB" with the remainder rounded to the nearest tenth.
void FormatMegabytes(uint32_t bytes, char* out, int outSize);
