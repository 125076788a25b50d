// The destination directory and the path and disk-space helpers around it.
#pragma once
#include <cstdint>

extern char DestinationDir[260];
extern char SharedFilesDir[260];
extern char LastDriveLetter;
// The allocation unit of the destination's drive as a power of two, as last
// measured (9: 512 bytes until then).
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

// Platform-free (space.cpp): sizes rounded to an allocation unit of
// 1 << allocationShift bytes.
struct FileEntry;
uint32_t RoundToAllocation(uint32_t size, int allocationShift);
// The shift of a unit of `bytesPerSector` bytes (rounded down to a power of
// two); `current` when the size is 0.
int AllocationShiftOf(uint32_t bytesPerSector, int current);
// Sum of the rounded sizes of the file table's rows of `componentKey` (0:
// all) that are selected (any row when countAll).
uint32_t RequiredBytes(const FileEntry* files, int allocationShift, int componentKey, bool countAll);
// Whether a payload of `required` bytes fits a drive with `free` bytes
// (-1 not available, -2 more than 2 GB).
bool PayloadFits(uint32_t required, int32_t free);
// The longest destination directory from which every file of the table
// still has a path of at most 259 characters.
uint32_t LongestDestinationLength(const FileEntry* files);
// "%d.%d MB" with the remainder rounded to the nearest tenth.
void FormatMegabytes(uint32_t bytes, char* out, int outSize);
