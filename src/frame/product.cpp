// The product: its pages, files, registry rows, program items and file
// types. This is the only place that names them; the engines walk the
// descriptor that ConfigureInstallation fills from these tables.
#include <cstring>

#include "frame/frame.h"
#include "frame/wizard.h"

namespace {

const char* PageTemplates[] = {
    "INTRODLG", "OS32DLG", "DESTDIRDLG1", "REPLACEDLG", "STARTDLG",
    "COPYFILESDLG", "REGISTRYDLG", "NEWICONDLG", "READYDLG",
};

PageProcedure PageProcedures[] = {
    WelcomePageProc, StaticPageProc, DestinationPageProc, ReplacePageProc, StaticPageProc,
    CopyPageProc, RegistryPageProc, IconPageProc, CompletionPageProc,
};

RegistryRow RegistryEntries[] = {
    {1, HKEY_LOCAL_MACHINE, "SOFTWARE\\Brannvik\\KOVAwin\\CurrentVersion\\AppPaths", "kovamain.exe", 1, 0},
    {0, nullptr, nullptr, nullptr, 0, 0},
};

DirectoryRow Directories[] = {
    {0, nullptr, 0},
};

ProgramItemRow ProgramItems[] = {
    {1, "kovamain.exe", "KOVA", 1, 0, 0},
    {1, "Getting Started with KOVA.html", "Getting Started with KOVA", 1, 0, 0},
    {0, nullptr, "KOVAwin", 0, 0, 0},
};

FileTypeRow FileTypes[] = {
    {1, "kvx", "KOVA Library", "kovamain.exe", 599, "kovamain.exe", 0},
    {0, nullptr, nullptr, nullptr, 0, nullptr, 0},
};

// Rows of the file table whose installed names are long.
struct LongName {
    int Row;
    const char* Name;
};
const LongName LongNames[] = {
    {4, "kova_help.kbx"},
    {11, "tarndaemon.conf"},
    {12, "kova.conf"},
    {13, "sys_structure.conf"},
    {14, "Getting Started with KOVA.html"},
};

char EarlierFolder[261];

// The main program path that an earlier installation registered, or empty.
void ReadEarlierAppPath(char* path, DWORD capacity)
{
    path[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Brannvik\\KOVAwin\\CurrentVersion\\AppPaths", 0, KEY_READ,
                      &key) != ERROR_SUCCESS)
        return;
    DWORD size = capacity - 1;
    DWORD type = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(path), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        size = 0;
    path[size < capacity ? size : capacity - 1] = '\0';
    RegCloseKey(key);
}

} // namespace

void ConfigureInstallation(InstallDescriptor* d)
{
    char appPath[261];
    ReadEarlierAppPath(appPath, sizeof appPath);
    CutInstalledFolder(appPath, EarlierFolder, sizeof EarlierFolder);

    int rows = 0;
    while (FileTable[rows].ComponentKey != 0)
        rows++;
    for (const LongName& longName : LongNames) {
        if (longName.Row < rows)
            FileTable[longName.Row].Name = longName.Name;
    }

    d->PageCount = 9;
    d->FirstWorkPage = 5;
    d->PageTemplates = PageTemplates;
    d->PageProcedures = PageProcedures;
    d->OsFlags = 14;
    d->ReleaseDay = 4;
    d->ReleaseMonth = 5;
    d->ReleaseYear = 15;
    d->Files = FileTable;
    d->RegistryEntries = RegistryEntries;
    d->Version = 0x1701;
    d->ProductIdentity = "XBRT 550 713/2 R17B";
    d->ProductKey = "SOFTWARE\\Brannvik\\KOVAwin\\CurrentVersion";
    d->ProductTitle = "KOVA 17.1";
    d->VendorKey = "SOFTWARE\\Brannvik";
    d->DefaultFolder = EarlierFolder[0] ? EarlierFolder : "KOVAwin";
    d->SharedSubfolder = nullptr;
    d->SharedName = nullptr;
    d->Reserved19 = 0;
    d->Directories = Directories;
    d->ProgramItems = ProgramItems;
    d->ItemsToDelete = nullptr;
    d->FileTypes = FileTypes;
    d->SharedFiles = nullptr;
    d->ExtraRows = nullptr;
    d->UninstallEntries = nullptr;

    ProgramSelected = 1;
    DatabaseSelected = 1;
}
