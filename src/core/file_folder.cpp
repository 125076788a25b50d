#include "core/file_folder.h"

#include <cstring>

#include "core/ascii.h"

bool HasFontExtension(const char* name)
{
    const char* dot = std::strrchr(name, '.');
    return dot != nullptr && EqualIgnoringCase(dot, ".fon");
}

FileFolder FolderOf(const char* name, int targetSelector)
{
    if (HasFontExtension(name))
        return FolderFonts;
    return targetSelector != 0 ? FolderSharedFiles : FolderDestination;
}
