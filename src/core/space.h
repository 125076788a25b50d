// Disk-space arithmetic: what the payload needs on a drive, whether it
// fits, how it is shown, and the size the uninstall entry reports.
#pragma once
#include <cstdint>

// Free bytes of a drive: -1 not available, -2 more than 2 GB.
const int32_t FreeSpaceUnknown = -1;
const int32_t FreeSpaceOver2Gb = -2;

struct FileEntry;

// Sizes rounded to an allocation unit of 1 << allocationShift bytes.
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
// The installed size in kilobytes of the chosen components (the program's
// rows, key 1; the database's, key 2), as the uninstall entry reports it.
uint32_t InstalledSizeKb(const FileEntry* files, int allocationShift, bool program, bool database);
