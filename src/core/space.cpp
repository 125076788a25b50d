// Disk-space arithmetic of the destination page: platform-free.
#include "core/space.h"

#include <cstdio>
#include <cstring>

#include "core/descriptor.h"
#include "core/text_format.h"

uint32_t RoundToAllocation(uint32_t size, int allocationShift)
{
    uint32_t mask = (uint32_t(1) << allocationShift) - 1;
    return (size + mask) & ~mask;
}

int AllocationShiftOf(uint32_t bytesPerSector, int current)
{
    if (bytesPerSector == 0)
        return current;
    int shift = 0;
    while (bytesPerSector >>= 1)
        shift++;
    return shift;
}

uint32_t RequiredBytes(const FileEntry* files, int allocationShift, int componentKey, bool countAll)
{
    uint32_t sum = 0;
    if (!files)
        return 0;
    for (const FileEntry* row = files; row->ComponentKey != 0; row++) {
        if (componentKey != 0 && row->ComponentKey != componentKey)
            continue;
        if (countAll || row->Selected)
            sum += RoundToAllocation(row->Size, allocationShift);
    }
    return sum;
}

bool PayloadFits(uint32_t required, int32_t free)
{
    // Equal sizes do not fit; "n/a" never does; "> 2 GB" always does.
    return int64_t(required) < int64_t(free) || free == FreeSpaceOver2Gb;
}

uint32_t LongestDestinationLength(const FileEntry* files)
{
    size_t longest = 0;
    for (const FileEntry* row = files; row && row->ComponentKey != 0; row++) {
        size_t length = row->Name ? std::strlen(row->Name) : 0;
        if (length > longest)
            longest = length;
    }
    // The directory, one '\' and the name within a Windows path of 259 characters.
    const size_t longestPath = 259;
    return longest + 1 >= longestPath ? 0 : uint32_t(longestPath - 1 - longest);
}

void FormatMegabytes(uint32_t bytes, char* out, int outSize)
{
    const uint32_t mega = uint32_t(1) << 20;
    uint32_t whole = bytes / mega;
    uint32_t tenths = ((bytes % mega) * 10 + mega / 2) / mega;
    if (tenths >= 10) {
        whole += 1;
        tenths -= 10;
    }
    if (outSize > 0)
        FormatText(out, size_t(outSize), "%d.%d MB", int(whole), int(tenths));
}
