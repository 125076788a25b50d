// The installation descriptor: the one record that says which pages, files,
// registry rows, program items and file types make up the product. Engines
// walk it and never name the product. Platform-free: registry roots appear
// by their values, and the page procedures by the platform's dialog
// procedure signature over an opaque window type.
#pragma once
#include <cstdint>
#include "core/file_entry.h"

#if defined(_WIN32)
#define KOVA_CALLBACK __stdcall
#else
#define KOVA_CALLBACK
#endif
// The platform's LONG_PTR: long on 32-bit Windows (where intptr_t is int),
// pointer-sized everywhere else.
#if defined(_WIN32) && !defined(_WIN64)
typedef long KovaLParam;
#else
typedef intptr_t KovaLParam;
#endif

struct HWND__;

// Same signature as the platform's dialog procedure (checked in frame.h).
typedef intptr_t(KOVA_CALLBACK* PageProcedure)(HWND__*, unsigned int, uintptr_t, KovaLParam);

// The predefined registry roots the tables name, by the platform's values.
const uint32_t RootClassesValue = 0x80000000;
const uint32_t RootLocalMachineValue = 0x80000002;

// Every table row starts with a component key (0 ends the table) and carries
// a selected flag that SelectComponent sets.
struct RegistryRow {
    int32_t ComponentKey;
    uint32_t RootKey;             // a predefined root's value (RootLocalMachineValue, RootClassesValue)
    const char* SubKey;
    const char* DefaultValue;     // or null
    int32_t PrefixDestination;    // non-zero: destination prefix + DefaultValue
    int32_t Selected;
};

struct DirectoryRow {
    int32_t ComponentKey;
    const char* Name;             // relative to the destination
    int32_t Selected;
};

struct ProgramItemRow {
    int32_t ComponentKey;
    const char* ItemFile;
    const char* ItemTitle;        // in the terminator row: the group name
    int32_t InDestination;
    int32_t DeleteFirst;
    int32_t Selected;
};

struct ItemToDeleteRow {
    int32_t ComponentKey;
    const char* ItemTitle;
    int32_t Selected;
};

struct FileTypeRow {
    int32_t ComponentKey;
    const char* Extension;        // without the dot
    const char* Description;
    const char* IconFile;         // relative to the destination
    int32_t IconId;
    const char* OpenProgram;      // relative to the destination
    int32_t Selected;
};

struct SharedFileRow {
    int32_t ComponentKey;
    const char* Name;
    int32_t TargetSelector;
    int32_t Selected;
};

struct ExtraRow {
    int32_t ComponentKey;
    int32_t Field2;
    int32_t Field3;
    int32_t Selected;
};

struct UninstallRow {
    int32_t ComponentKey;
    const char* UninstallKeyName;
    const char* DisplayText;
    const char* UninstallProgram; // relative to the destination
    int32_t Selected;
};

struct InstallDescriptor {
    int32_t PageCount;
    int32_t FirstWorkPage;
    const char** PageTemplates;
    PageProcedure* PageProcedures;
    int32_t OsFlags;
    int32_t ReleaseDay;
    int32_t ReleaseMonth;
    int32_t ReleaseYear;          // two digits: below 50 is 20xx
    FileEntry* Files;
    RegistryRow* RegistryEntries;
    int32_t Version;              // low byte, as two BCD digits, is the minute of the time stamp
    const char* ProductIdentity;
    const char* ProductKey;
    const char* ProductTitle;
    const char* VendorKey;
    const char* DefaultFolder;
    const char* SharedSubfolder;
    const char* SharedName;
    int32_t Reserved19;
    DirectoryRow* Directories;
    ProgramItemRow* ProgramItems;
    ItemToDeleteRow* ItemsToDelete;
    FileTypeRow* FileTypes;
    SharedFileRow* SharedFiles;
    ExtraRow* ExtraRows;
    UninstallRow* UninstallEntries;
};

// Sets the selected flag of every row of every present table whose key
// equals `key` (or of every row when `key` is 0) to `value`.
void SelectComponent(const InstallDescriptor* descriptor, int key, int value);

// The local time stamped on every installed file, from the descriptor's
// release fields: ReleaseYear has two digits (0-49 are 2000-2049, 50-99 are
// 1950-1999), the hour is 17, and the low byte of Version, read as two
// decimal digits, is the minute.
struct ReleaseStamp {
    int Year;
    int Month;
    int Day;
    int Hour;
    int Minute;
};
ReleaseStamp ReleaseStampOf(int releaseYear, int releaseMonth, int releaseDay, int version);

// The folder cut of ConfigureInstallation: `appPath` is the earlier
// installation's main program path (or null). Writes the candidate folder
// (cut after the last '/', else the last '\', one trailing '\' removed) into
// `out` (capacity `outSize`); empty when there is none.
void CutInstalledFolder(const char* appPath, char* out, int outSize);
