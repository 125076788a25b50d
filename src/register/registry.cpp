#include "register/registry.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/progman.h"
#include "core/registry_names.h"
#include "core/registry_text.h"
#include "core/text_format.h"
#include "frame/frame.h"
#include "frame/setup_log.h"
#include "frame/wizard.h"
#include "frame/system_libraries.h"
#include "pages/pages.h"
#include "pages/paths.h"
#include "register/reg_layer.h"

namespace {

const int MaxExtension = 31;
const int ClassTextSize = 40;

int Fail(RegistryWriter* writer, int code)
{
    writer->ErrorCode = code;
    writer->ErrorArg = nullptr;
    return 0;
}

// The pieces one after another in a new buffer to free, or null when there
// is no memory for it. A null piece counts as empty.
char* Joined(const char* a, const char* b, const char* c = nullptr, const char* d = nullptr, const char* e = nullptr)
{
    const char* const pieces[] = {a, b, c, d, e};
    size_t length = 0;
    for (const char* piece : pieces)
        length += piece ? std::strlen(piece) : 0;
    char* text = static_cast<char*>(std::malloc(length + 1));
    if (!text)
        return nullptr;
    char* end = text;
    for (const char* piece : pieces) {
        if (!piece)
            continue;
        size_t pieceLength = std::strlen(piece);
        std::memcpy(end, piece, pieceLength);
        end += pieceLength;
    }
    *end = '\0';
    return text;
}

// Creates or opens `subKey` under `parent` (named `parentName` in the log)
// and sets its default value.
int WriteDefault(HKEY parent, const char* parentName, const char* subKey, const char* text, HKEY* keepOpen = nullptr)
{
    HKEY key = nullptr;
    char keyPath[MAX_PATH + 64];
    if (!text || CreateRegKey(parent, subKey, &key) != ERROR_SUCCESS)
        return 0;
    JoinKey(keyPath, sizeof keyPath, parentName, subKey);
    int ok = WriteRegText(key, keyPath, nullptr, text);
    if (ok && keepOpen)
        *keepOpen = key;
    else
        CloseRegKey(key);
    return ok;
}

bool IsProgramFile(const char* name)
{
    const char* dot = name ? std::strrchr(name, '.') : nullptr;
    return dot && lstrcmpiA(dot, ".exe") == 0;
}

// Asks whether the foreign registration of the extension may be replaced.
bool MayReplaceFileType(RegistryWriter* writer, const FileTypeRow* row, const char* currentText)
{
    const char* format = "The file type \"%s\" is already registered as \"%s\"\n\nDo you want to replace this by \"%s\"?";
    size_t size = std::strlen(format) + std::strlen(row->Extension) + std::strlen(currentText) +
                  std::strlen(row->Description) + 1;
    char* question = static_cast<char*>(std::malloc(size));
    if (!question)
        return false;
    FormatText(question, size, format, row->Extension, currentText, row->Description);
    // Nobody to ask: the type is taken over, as the wizard proposes.
    bool yes = writer->Session->Host->Ask(question, true);
    LogLine("question: %s -> %s", question, yes ? "Yes" : "No");
    std::free(question);
    return yes;
}

} // namespace

int WriteRegistry(RegistryWriter* writer)
{
    const InstallDescriptor* install = writer->Install;
    char prefix[MAX_PATH + 2];
    if (!install->RegistryEntries)
        return 0;
    if (!MakeDestinationPrefix(writer->Session->DestinationDir, prefix, sizeof prefix))
        return Fail(writer, ErrRegistry);

    for (const RegistryRow* row = install->RegistryEntries; row->ComponentKey != 0; ++row) {
        if (!row->Selected)
            continue;
        HKEY key = nullptr;
        if (CreateRegKey(PredefinedRoot(row->RootKey), row->SubKey, &key) != ERROR_SUCCESS)
            return Fail(writer, ErrRegistry);
        if (row->DefaultValue && row->PrefixDestination) {
            char* value = Joined(prefix, row->DefaultValue);
            WriteRegText(key, row->SubKey, nullptr, value);
            std::free(value);
        } else if (row->DefaultValue) {
            WriteRegText(key, row->SubKey, nullptr, row->DefaultValue);
        }
        CloseRegKey(key);
        if (writer->Session->Host->StopConfirmed())
            return Fail(writer, ErrAborted);
    }

    RegisterSharedFiles(writer);
    bool typesTouched = false;
    for (const FileTypeRow* row = install->FileTypes; row && row->ComponentKey != 0; ++row) {
        if (row->Selected) {
            RegisterFileType(writer, row, prefix);
            typesTouched = true;
        }
    }
    // The shell caches associations: without this, icons and the open
    // command stay as they were until it happens to refresh.
    // Told without waiting for every window to have heard it.
    if (typesTouched)
        SystemLibraries::ChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST | SHCNF_FLUSHNOWAIT, nullptr, nullptr);
    WriteUninstallRows(writer, prefix);
    return 1;
}

int RegisterFileType(RegistryWriter* writer, const FileTypeRow* row, const char* prefix)
{
    int ok = 0;
    HKEY machineClasses = nullptr;
    HKEY classKey = nullptr;
    HKEY openKey = nullptr;
    char current[ClassTextSize];
    char currentText[ClassTextSize];
    bool replacing = false;

    // Longer extensions do not fit the key names this step works with.
    if (!row->Extension || !row->Description || std::strlen(row->Extension) > size_t(MaxExtension))
        return 0;
    char extensionKey[MaxExtension + 2] = ".";
    char className[MaxExtension + 5];
    std::strcat(extensionKey, row->Extension);
    FileTypeClassName(row, className, sizeof className);

    // The question is about the association as the user sees it: the merged
    // view of the machine's and the user's classes.
    if (ReadRegDefault(HKEY_CLASSES_ROOT, extensionKey, current, sizeof current)) {
        if (current[0] && ReadRegDefault(HKEY_CLASSES_ROOT, current, currentText, sizeof currentText) &&
            lstrcmpiA(currentText, row->Description) != 0 && !MayReplaceFileType(writer, row, currentText))
            return 0;
        replacing = true;
    }
    // The type itself goes where the machine's associations live. Written
    // through the merged view, it would land in the elevating account's own
    // classes whenever that account has a key of the same name.
    if (CreateRegKey(HKEY_LOCAL_MACHINE, MachineClassesKey, &machineClasses) != ERROR_SUCCESS)
        return 0;
    if (replacing)
        DeleteKeyTree(machineClasses, className, MachineClassesKey);

    if (!WriteDefault(machineClasses, MachineClassesKey, extensionKey, className))
        goto done;
    if (!WriteDefault(machineClasses, MachineClassesKey, className, row->Description, &classKey))
        goto done;
    {
        char text[3 * MAX_PATH];
        if (!WriteDefault(classKey, className, DefaultIconKey,
                          FileTypeIcon(row, prefix, text, sizeof text) ? text : nullptr))
            goto done;
        if (!WriteDefault(classKey, className, ShellOpenKey, "&Open", &openKey))
            goto done;
        char openName[MaxExtension + 20];
        JoinKey(openName, sizeof openName, className, ShellOpenKey);
        ok = WriteDefault(openKey, openName, ShellCommandKey,
                          FileTypeOpenCommand(row, prefix, text, sizeof text) ? text : nullptr);
    }
done:
    CloseRegKey(openKey);
    CloseRegKey(classKey);
    CloseRegKey(machineClasses);
    return ok;
}

int RegisterSharedFiles(RegistryWriter* writer)
{
    const InstallDescriptor* install = writer->Install;
    const char* sharedDir = SharedFilesDirOnDestinationDrive();
    HKEY key = nullptr;
    bool isNew = true;
    if (!sharedDir || !install->ProductKey || !install->VendorKey || !install->SharedSubfolder || !install->SharedName)
        return 1;

    char* productShared = Joined(install->ProductKey, "\\", SharedKey);
    int created = productShared && CreateRegKey(HKEY_LOCAL_MACHINE, productShared, &key) == ERROR_SUCCESS;
    if (created) {
        // Room for the name and one more character, so a longer value never reads as equal.
        size_t size = std::strlen(install->SharedName) + 2 < 32 ? 32 : std::strlen(install->SharedName) + 2;
        char* current = static_cast<char*>(std::malloc(size));
        if (current && ReadRegDefault(key, nullptr, current, LONG(size)) &&
            std::strcmp(current, install->SharedName) == 0)
            isNew = false;
        else
            WriteRegText(key, productShared, nullptr, install->SharedName);
        std::free(current);
        CloseRegKey(key);
    }
    std::free(productShared);
    if (!created)
        return Fail(writer, ErrRegistry);

    char* vendorShared = Joined(install->VendorKey, "\\", install->SharedSubfolder, "\\", SharedKey);
    created = vendorShared && CreateRegKey(HKEY_LOCAL_MACHINE, vendorShared, &key) == ERROR_SUCCESS;
    if (created) {
        DWORD count = 0;
        if (!ReadRegNumber(key, install->SharedName, &count))
            count = 0;
        if (isNew)
            ++count;
        created = WriteRegNumber(key, vendorShared, install->SharedName, count);
        CloseRegKey(key);
    }
    std::free(vendorShared);
    if (!created)
        return Fail(writer, ErrRegistry);

    for (const FileEntry* file = install->Files; file && file->ComponentKey != 0; ++file)
        if (file->Selected && IsProgramFile(file->Name) && !RegisterAppPath(writer, file->Name))
            return 0;
    return 1;
}

int RegisterAppPath(RegistryWriter* writer, const char* fileName)
{
    HKEY key = nullptr;
    if (!fileName || std::strchr(fileName, '\\'))
        return 0;
    char* keyName = Joined(SystemAppPathsKey, "\\", fileName);
    int created = keyName && CreateRegKey(HKEY_LOCAL_MACHINE, keyName, &key) == ERROR_SUCCESS;
    if (created) {
        char path[MAX_PATH];
        if (JoinPath(path, sizeof path, writer->Session->DestinationDir, fileName))
            WriteRegText(key, keyName, nullptr, path);
        WriteRegText(key, keyName, AppPathSearchValue, SharedFilesDir);
        CloseRegKey(key);
    }
    std::free(keyName);
    if (!created)
        return Fail(writer, ErrRegistry);
    return 1;
}

int WriteUninstallRows(RegistryWriter* writer, const char* prefix)
{
    const UninstallRow* rows = writer->Install->UninstallEntries;
    if (!rows || rows->ComponentKey == 0)
        return 1;
    for (const UninstallRow* row = rows; row->ComponentKey != 0; ++row) {
        if (!row->Selected || !row->UninstallKeyName)
            continue;
        HKEY key = nullptr;
        char* keyName = Joined(UninstallRoot, "\\", row->UninstallKeyName);
        int created = keyName && CreateRegKey(HKEY_LOCAL_MACHINE, keyName, &key) == ERROR_SUCCESS;
        std::free(keyName);
        if (!created)
            continue;
        WriteRegText(key, nullptr, DisplayNameValue, row->DisplayText ? row->DisplayText : "");
        char* command = Joined("\"", prefix, row->UninstallProgram, "\"");
        WriteRegText(key, nullptr, UninstallStringValue, command);
        std::free(command);
        CloseRegKey(key);
    }
    return 1;
}
