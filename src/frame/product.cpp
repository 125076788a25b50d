// The product's descriptor: ConfigureInstallation fills it from the
// product's tables (product_tables.cpp) and its pages (page_table.cpp); the
// engines walk the descriptor and never name the product.
#include <cstring>

#include "core/product_tables.h"
#include "frame/frame.h"
#include "frame/wizard.h"
#include "register/reg_layer.h"

namespace {

char EarlierFolder[261];

// The main program path that an earlier installation registered, or empty.
void ReadEarlierAppPath(char* path, DWORD capacity)
{
    path[0] = '\0';
    HKEY key;
    if (OpenRegKey(HKEY_LOCAL_MACHINE, ProductAppPathsKey, &key) != ERROR_SUCCESS)
        return;
    DWORD type = 0;
    if (!ReadRegText(key, nullptr, path, capacity, &type) || (type != REG_SZ && type != REG_EXPAND_SZ))
        path[0] = '\0';
    CloseRegKey(key);
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
    for (const LongFileName& longName : ProductLongNames) {
        if (longName.Row < rows)
            FileTable[longName.Row].Name = longName.Name;
    }

    SetProductPages(d);
    d->OsFlags = ProductOsFlags;
    d->ReleaseDay = ProductReleaseDay;
    d->ReleaseMonth = ProductReleaseMonth;
    d->ReleaseYear = ProductReleaseYear;
    d->Files = FileTable;
    d->RegistryEntries = ProductRegistryEntries;
    d->Version = ProductVersion;
    d->ProductIdentity = ProductIdentity;
    d->ProductKey = ProductKey;
    d->ProductTitle = ProductTitle;
    d->VendorKey = VendorKey;
    d->DefaultFolder = EarlierFolder[0] ? EarlierFolder : ProductFolder;
    d->SharedSubfolder = nullptr;
    d->SharedName = nullptr;
    d->Reserved19 = 0;
    d->Directories = ProductDirectories;
    d->ProgramItems = ProductProgramItems;
    d->ItemsToDelete = nullptr;
    d->FileTypes = ProductFileTypes;
    d->SharedFiles = nullptr;
    d->ExtraRows = nullptr;
    d->UninstallEntries = nullptr;

    ProgramSelected = 1;
    DatabaseSelected = 1;
}
