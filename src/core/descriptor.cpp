#include "core/descriptor.h"

#include <cstring>

namespace {

template <typename Row>
void SelectRows(Row* rows, int key, int value)
{
    if (!rows)
        return;
    for (Row* row = rows; row->ComponentKey != 0; row++) {
        if (key == 0 || key == row->ComponentKey)
            row->Selected = value;
    }
}

} // namespace

void SelectComponent(const InstallDescriptor* d, int key, int value)
{
    SelectRows(d->Files, key, value);
    SelectRows(d->RegistryEntries, key, value);
    SelectRows(d->Directories, key, value);
    SelectRows(d->ProgramItems, key, value);
    SelectRows(d->ItemsToDelete, key, value);
    SelectRows(d->FileTypes, key, value);
    SelectRows(d->SharedFiles, key, value);
    SelectRows(d->ExtraRows, key, value);
    SelectRows(d->UninstallEntries, key, value);
}

ReleaseStamp ReleaseStampOf(int releaseYear, int releaseMonth, int releaseDay, int version)
{
    int year = releaseYear;
    if (year < 100) {
        year += 1900;
        if (year < 1950)
            year += 100;
    }
    return ReleaseStamp{year, releaseMonth, releaseDay, 17, 10 * ((version >> 4) & 0xF) + (version & 0xF)};
}

void CutInstalledFolder(const char* appPath, char* out, int outSize)
{
    if (outSize <= 0)
        return;
    out[0] = '\0';
    if (!appPath)
        return;
    const char* cut = std::strrchr(appPath, '/');
    if (!cut)
        cut = std::strrchr(appPath, '\\');
    if (!cut)
        return;
    size_t length = static_cast<size_t>(cut - appPath) + 1;
    if (length >= static_cast<size_t>(outSize))
        return;
    std::memcpy(out, appPath, length);
    out[length] = '\0';
    if (out[length - 1] == '\\')
        out[length - 1] = '\0';
}
