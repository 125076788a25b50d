// The registry keys and values the installer reads and writes, each key
// path spelled once: longer paths are composed from the shorter ones here,
// or joined at run time with JoinKey. Platform-free, so that the engines,
// the host tool that lists every change, and the tests use the same names.
// The product's own keys are in product_tables.h.
#pragma once
#include <cstddef>

// Below HKEY_LOCAL_MACHINE.
extern const char WindowsVersionKey[];      // the system's folders
extern const char ProgramFilesValue[];      //   its program-files folder
extern const char CommonFilesValue[];       //   its folder of files shared between programs
extern const char SystemAppPathsKey[];      // a program's path and search path, by file name
extern const char AppPathSearchValue[];     //   the search path of one program's key
extern const char UninstallRoot[];          // the uninstall panel's entries, by key name
extern const char ActiveSetupKey[];         // each user's step at logon, by component id
extern const char MachineClassesKey[];      // the machine's file types (read merged in HKEY_CLASSES_ROOT)
extern const char SessionManagerKey[];      // the boot-time file operations
const int PendingOperationsValueCount = 2;  // current systems append to the second once it exists
extern const char* const PendingOperationsValues[PendingOperationsValueCount];

// A file type's keys below its class key.
extern const char FileTypeClassSuffix[];    // the class of extension "kvx" is "kvxfile"
extern const char DefaultIconKey[];
extern const char ShellOpenKey[];
extern const char ShellCommandKey[];        // below ShellOpenKey

// The shared-files registration: below the product's key, and below the
// vendor's key and the shared subfolder.
extern const char SharedKey[];

// An uninstall entry's values.
extern const char DisplayNameValue[];
extern const char UninstallStringValue[];
extern const char QuietUninstallStringValue[];
extern const char InstallLocationValue[];
extern const char DisplayIconValue[];
extern const char PublisherValue[];
extern const char DisplayVersionValue[];
extern const char EstimatedSizeValue[];

// An Active Setup component's values, besides its default (the title).
extern const char ComponentVersionValue[];
extern const char StubPathValue[];
extern const char IsInstalledValue[];

// `parent` and `child` joined by one '\' into `out`; false, with `out`
// empty, when the result does not fit `size` bytes.
bool JoinKey(char* out, size_t size, const char* parent, const char* child);
