#include "core/product_tables.h"

#define KOVA_VENDOR_KEY "SOFTWARE\\Brannvik"
#define KOVA_PRODUCT_KEY KOVA_VENDOR_KEY "\\KOVAwin\\CurrentVersion"

const char ProductIdentity[] = "XBRT 550 713/2 R17B";
const char ProductKey[] = KOVA_PRODUCT_KEY;
const char ProductAppPathsKey[] = KOVA_PRODUCT_KEY "\\AppPaths";
const char ProductTitle[] = "KOVA 17.1";
const char VendorKey[] = KOVA_VENDOR_KEY;
const char ProductFolder[] = "KOVAwin";

RegistryRow ProductRegistryEntries[] = {
    {1, RootLocalMachineValue, ProductAppPathsKey, "kovamain.exe", 1, 0},
    {0, 0, nullptr, nullptr, 0, 0},
};

DirectoryRow ProductDirectories[] = {
    {0, nullptr, 0},
};

ProgramItemRow ProductProgramItems[] = {
    {1, "kovamain.exe", "KOVA", 1, 0, 0},
    {1, "Getting Started with KOVA.html", "Getting Started with KOVA", 1, 0, 0},
    {0, nullptr, "KOVAwin", 0, 0, 0},
};

FileTypeRow ProductFileTypes[] = {
    {1, "kvx", "KOVA Library", "kovamain.exe", 599, "kovamain.exe", 0},
    {0, nullptr, nullptr, nullptr, 0, nullptr, 0},
};

const LongFileName ProductLongNames[ProductLongNameCount] = {
    {4, "kova_help.kbx"},
    {11, "tarndaemon.conf"},
    {12, "kova.conf"},
    {13, "sys_structure.conf"},
    {14, "Getting Started with KOVA.html"},
};

const char ProductWindowClass[] = "KOVAMAIN";
const char* const EarlierProgramFiles[2] = {"kova.exe", "kovamain.exe"};
const char UninstallerName[] = "uninstal.exe";
const char UninstallerSwitch[] = " -s";
const char* const OlderUninstallKeys[2] = {"KOVA 15.0", "KOVA 16.1"};
const char UninstallKeyName[] = "KOVA 17.1";
const char UninstallDisplayName[] = "Kovalith 17.1";
const char UninstallPublisher[] = "Brannvik";
const char UninstallDisplayVersion[] = "17.1";
const char MainProgramName[] = "kovamain.exe";

const char UserConfigFolder[] = "KOVA_TMP";
const char ServerConfigName[] = "tarndaemon.conf";
const char ProductRunningText[] =
    "A copy of KOVA is already running. Please close the application before continuing with the installation.";
const char UserConfigFolderFailedText[] = "Unable to create KOVA_TMP directory";
const char UserCopyFailedCaption[] = "KOVA installation";
const char ConfigUpdateFailedCaption[] = "KOVA Error";
const char ConfigUpdateFailedText[] = "Unable to update tarndaemon.conf file";
const char HelpItemTitle[] = "kova help";
const char HelpItemFileOnNt6[] = "kova.chm";
const char* const ObsoleteFiles[ObsoleteFileCount] = {
    "zrxtr32x.dll", "zr243a32.dll", "zr251a32.dll", "zr256a32.dll", "zr258a32.dll", "kovaunst.exe",
};
const char* const CancelledNames[CancelledNameCount] = {"uninstal.exe", "comproxy.dll", ""};

const char SetupLockName[] = "KOVA 17.1 Setup.lock";
const char SetupWindowProperty[] = "KOVA 17.1 Setup";
const char SetupConversationClass[] = "KovaSetupConversation";
const char LibraryVariable[] = "KOVAWIN_LIB";
const char ActiveSetupId[] = "{5B0C3E71-9A4D-4F2E-B817-0D17A1C0FFEE}";
const char ActiveSetupVersion[] = "17,1";
const char UserStepProgram[] = "kovauser.exe";
const char UnattendedLogName[] = "KOVA 17.1 Setup.log";
const char PrivateFolderName[] = "KOVA 17.1 Setup";

const char GuideDocumentName[] = "Getting Started with KOVA.html";
const char ReaderInstaller[] = "..\\acrobat\\rs405eng.exe";
