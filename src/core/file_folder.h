// Which folder a file of the table goes to: a font (a ".fon" file, any case)
// to the system's font folder, a row whose target selector is set to the
// shared-files folder, the rest to the destination. Where those folders
// are is found at run time.
#pragma once

enum FileFolder {
    FolderDestination,
    FolderSharedFiles,
    FolderFonts
};

bool HasFontExtension(const char* name);
FileFolder FolderOf(const char* name, int targetSelector);
