// Disk-space arithmetic of the destination page: platform-free.
#include <cstdio>

#include "frame/descriptor.h"
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
        std::snprintf(out, size_t(outSize), "%d.%d MB", int(whole), int(tenths));
}
