// Disk-space arithmetic of the destination page: platform-free.
#include <cstdio>
#include <cstring>

#include "core/text_format.h"
#include "frame/descriptor.h"
#include "pages/pages.h"
#include "pages/paths.h"

int AllocationShift = 9;

uint32_t RoundToAllocation(uint32_t size)
{
    uint32_t mask = (uint32_t(1) << AllocationShift) - 1;
    return (size + mask) & ~mask;
}

void SetAllocationUnit(uint32_t bytesPerSector)
{
    if (bytesPerSector == 0)
        return;
    int shift = 0;
    while (bytesPerSector >>= 1)
        shift++;
    AllocationShift = shift;
}

uint32_t RequiredBytes(int componentKey, bool countAll)
{
    uint32_t sum = 0;
    if (!Descriptor.Files)
        return 0;
    for (const FileEntry* row = Descriptor.Files; row->ComponentKey != 0; row++) {
        if (componentKey != 0 && row->ComponentKey != componentKey)
            continue;
        if (countAll || row->Selected)
            sum += RoundToAllocation(row->Size);
    }
    return sum;
}

bool PayloadFits(uint32_t required, int32_t free)
{
    // Equal sizes do not fit; "n/a" never does; "> 2 GB" always does.
    return int64_t(required) < int64_t(free) || free == FreeSpaceOver2Gb;
}

uint32_t LongestDestinationLength()
{
    size_t longest = 0;
    for (const FileEntry* row = Descriptor.Files; row && row->ComponentKey != 0; row++) {
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
