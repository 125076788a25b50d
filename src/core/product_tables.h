// The product as data: the tables and names ConfigureInstallation puts into
// the descriptor, and the fixed names of the upgrade and finishing steps.
// Each is defined once, here. Platform-free, so that the host build can list
// everything the installer changes on a PC from the very same tables.
#pragma once
#include <cstdint>

#include "core/descriptor.h"
#include "core/registry_names.h"


extern const char ProductIdentity[];      // welcome page, and the default value of ProductKey
extern const char ProductKey[];
extern const char ProductAppPathsKey[];   // where the main program's path is registered
extern const char ProductTitle[];
extern const char VendorKey[];
extern const char ProductFolder[];        // the destination under the program-files folder
const int ProductOsFlags = 14;
const int ProductReleaseDay = 4;
const int ProductReleaseMonth = 5;
const int ProductReleaseYear = 15;
const int ProductVersion = 0x1701;

extern RegistryRow ProductRegistryEntries[];
extern DirectoryRow ProductDirectories[];
extern ProgramItemRow ProductProgramItems[];
extern FileTypeRow ProductFileTypes[];

// Rows of the file table whose installed names are long.
struct LongFileName {
    int Row;
    const char* Name;
};
const int ProductLongNameCount = 5;
extern const LongFileName ProductLongNames[ProductLongNameCount];

// What the leave steps look for and remove.
extern const char ProductWindowClass[];           // the running product's main window
extern const char* const EarlierProgramFiles[2];  // either marks an earlier installation
extern const char UninstallerName[];
extern const char UninstallerSwitch[];            // appended to the earlier uninstaller's command
const unsigned long UninstallerWaitMs = 60000;    // the longest wait for it and what it starts
extern const char* const OlderUninstallKeys[2];
extern const char UninstallKeyName[];             // this release's entry below UninstallRoot (registry_names.h)
extern const char UninstallDisplayName[];
extern const char UninstallPublisher[];
extern const char UninstallDisplayVersion[];
extern const char MainProgramName[];              // the entry's icon

// What the finishing step touches.
extern const char UserConfigFolder[];             // below %UserProfile%
extern const char ServerConfigName[];             // in the destination, the user's folder and TEMP
// The messages that name them, and the product.
extern const char ProductRunningText[];           // the destination check, while the product runs
extern const char UserConfigFolderFailedText[];   // UserConfigFolder cannot be made
extern const char UserCopyFailedCaption[];        // the user's copy of the configuration failed
extern const char ConfigUpdateFailedCaption[];
extern const char ConfigUpdateFailedText[];       // the merged ServerConfigName was not copied back
// The program item whose file differs on NT 6 systems, where the help
// format changed, and its file there.
extern const char HelpItemTitle[];
extern const char HelpItemFileOnNt6[];
const int ObsoleteFileCount = 6;
extern const char* const ObsoleteFiles[ObsoleteFileCount];
const int CancelledNameCount = 3;
extern const char* const CancelledNames[CancelledNameCount];  // in the destination; "" is the destination itself

// One setup of this product at a time, in every session of the PC: the
// lock file it holds in the Windows folder, and the property its main window
// carries so that a second one can bring it to the front.
extern const char SetupLockName[];
extern const char SetupWindowProperty[];
// The class of the unattended run's message-only window (its DDE conversation).
extern const char SetupConversationClass[];
// The environment variable that names the library directory.
extern const char LibraryVariable[];
// Each user's step at logon, for installations without a user at the
// screen: the machine's Active Setup component (below ActiveSetupKey, under this
// product's own id) runs this copy of the setup in the destination.
extern const char ActiveSetupId[];
extern const char ActiveSetupVersion[];
extern const char UserStepProgram[];

// The log of an unattended run without /LOG=, in %TEMP%.
extern const char UnattendedLogName[];
// Under the system's own accounts, where the system has no private temporary
// folder: the installer's own, below the temporary folder, for the log and
// the merged configuration.
extern const char PrivateFolderName[];

// The getting-started document in the destination, opened at the end.
extern const char GuideDocumentName[];

// The PDF reader's installer beside the installer's current directory.
extern const char ReaderInstaller[];
