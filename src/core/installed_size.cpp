// The size the uninstall entry reports: platform-free.
#include "core/descriptor.h"
#include "core/space.h"

uint32_t InstalledSizeKb(const FileEntry* files, int allocationShift, bool program, bool database)
{
    uint32_t sum = 0;
    if (program)
        sum += RequiredBytes(files, allocationShift, 1, true);
    if (database)
        sum += RequiredBytes(files, allocationShift, 2, true);
    // Rounded up without letting sum + 1023 wrap near 4 GB.
    return sum / 1024 + (sum % 1024 != 0 ? 1 : 0);
}
