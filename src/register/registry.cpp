#include "register/registry.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/text_format.h"
#include "frame/frame.h"
#include "frame/setup_log.h"
#include "frame/wizard.h"
#include "pages/pages.h"
#include "pages/paths.h"
#include "register/progman.h"

namespace {

const char* const AppPathsKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
const char* const UninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const char* const MachineClassesKey = "Software\\Classes";
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
char* Joined(const char* a, const char* b, const char* c = nullptr, const char* d = nullptr)
{
    const char* const pieces[] = {a, b, c, d};
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

// Text values: a null text (a failed Joined) is a failed write.
int SetDefault(HKEY key, const char* text)
{
    return text && RegSetValueA(key, nullptr, REG_SZ, text, DWORD(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

int SetNamed(HKEY key, const char* name, const char* text)
{
    return text && RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                  DWORD(std::strlen(text) + 1)) == ERROR_SUCCESS;
}

// Creates or opens `subKey` under `parent` (named `parentName` in the log)
// and sets its default value.
int WriteDefault(HKEY parent, const char* parentName, const char* subKey, const char* text, HKEY* keepOpen = nullptr)
{
    HKEY key = nullptr;
    if (!text || RegCreateKeyA(parent, subKey, &key) != ERROR_SUCCESS)
        return 0;
    int ok = SetDefault(key, text);
    LogLine("registry: %s\\%s (default) = %s%s", parentName, subKey, text, ok ? "" : " (failed)");
    if (ok && keepOpen)
        *keepOpen = key;
    else
        RegCloseKey(key);
    return ok;
}

// The default value of `subKey`, when it exists and fits `size` bytes with
// its terminator. A value stored without one (another program may write
// it so) comes back terminated, or, when it fills the buffer, does not fit.
int ReadDefault(HKEY parent, const char* subKey, char* out, LONG size)
{
    LONG got = size;
    out[0] = '\0';
    if (RegQueryValueA(parent, subKey, out, &got) != ERROR_SUCCESS)
        return 0;
    if (got > 0 && out[got - 1] == '\0')
        return 1;
    if (got >= size) {
        out[0] = '\0';
        return 0;
    }
    out[got] = '\0';
    return 1;
}

// A named key under `parent`: a null name (a failed Joined) is a failure.
int CreateKey(HKEY parent, const char* name, HKEY* key)
{
    return name && RegCreateKeyA(parent, name, key) == ERROR_SUCCESS;
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
        if (RegCreateKeyA(reinterpret_cast<HKEY>(row->RootKey), row->SubKey, &key) != ERROR_SUCCESS)
            return Fail(writer, ErrRegistry);
        if (row->DefaultValue && row->PrefixDestination) {
            char* value = Joined(prefix, row->DefaultValue);
            SetDefault(key, value);
            LogLine("registry: %s (default) = %s", row->SubKey, value ? value : "");
            std::free(value);
        } else if (row->DefaultValue) {
            SetDefault(key, row->DefaultValue);
            LogLine("registry: %s (default) = %s", row->SubKey, row->DefaultValue);
        }
        RegCloseKey(key);
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
    if (typesTouched)
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
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
    std::strcat(std::strcpy(className, row->Extension), "file");

    // The question is about the association as the user sees it: the merged
    // view of the machine's and the user's classes.
    if (ReadDefault(HKEY_CLASSES_ROOT, extensionKey, current, sizeof current)) {
        if (current[0] && ReadDefault(HKEY_CLASSES_ROOT, current, currentText, sizeof currentText) &&
            lstrcmpiA(currentText, row->Description) != 0 && !MayReplaceFileType(writer, row, currentText))
            return 0;
        replacing = true;
    }
    // The type itself goes where the machine's associations live. Written
    // through the merged view, it would land in the elevating account's own
    // classes whenever that account has a key of the same name.
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, MachineClassesKey, &machineClasses) != ERROR_SUCCESS)
        return 0;
    if (replacing)
        if (DeleteKeyTree(machineClasses, className))
            LogLine("registry: deleted %s\\%s", MachineClassesKey, className);

    if (!WriteDefault(machineClasses, MachineClassesKey, extensionKey, className))
        goto done;
    if (!WriteDefault(machineClasses, MachineClassesKey, className, row->Description, &classKey))
        goto done;
    {
        char iconId[16];
        FormatText(iconId, sizeof iconId, ",-%d", int(row->IconId));
        char* icon = Joined(prefix, row->IconFile, iconId);
        int written = WriteDefault(classKey, className, "DefaultIcon", icon);
        std::free(icon);
        if (!written)
            goto done;
    }
    if (!WriteDefault(classKey, className, "Shell\\Open", "&Open", &openKey))
        goto done;
    // The program path in quotes: unquoted, a destination with a blank would
    // make the shell try C:\Program.exe first.
    {
        char* command = Joined("\"", prefix, row->OpenProgram, "\" \"%1\"");
        char openName[MaxExtension + 20];
        FormatText(openName, sizeof openName, "%s\\Shell\\Open", className);
        ok = WriteDefault(openKey, openName, "command", command);
        std::free(command);
    }
done:
    if (openKey)
        RegCloseKey(openKey);
    if (classKey)
        RegCloseKey(classKey);
    RegCloseKey(machineClasses);
    return ok;
}

int DeleteKeyTree(HKEY parent, const char* name)
{
    HKEY key = nullptr;
    // Key names are at most 255 characters, so every subkey can be named here.
    char subKey[256];
    DWORD index = 0;
    if (RegOpenKeyA(parent, name, &key) != ERROR_SUCCESS)
        return 0;
    while (RegEnumKeyA(key, index, subKey, sizeof subKey) == ERROR_SUCCESS) {
        if (!DeleteKeyTree(key, subKey))
            ++index; // a subkey that stays; the next one sits behind it
    }
    RegCloseKey(key);
    return RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
}

int RegisterSharedFiles(RegistryWriter* writer)
{
    const InstallDescriptor* install = writer->Install;
    const char* sharedDir = SharedFilesDirOnDestinationDrive();
    HKEY key = nullptr;
    bool isNew = true;
    if (!sharedDir || !install->ProductKey || !install->VendorKey || !install->SharedSubfolder || !install->SharedName)
        return 1;

    char* productShared = Joined(install->ProductKey, "\\Shared");
    int created = CreateKey(HKEY_LOCAL_MACHINE, productShared, &key);
    std::free(productShared);
    if (!created)
        return Fail(writer, ErrRegistry);
    {
        // Room for the name and one more character, so a longer value never reads as equal.
        size_t size = std::strlen(install->SharedName) + 2 < 32 ? 32 : std::strlen(install->SharedName) + 2;
        char* current = static_cast<char*>(std::malloc(size));
        if (current && ReadDefault(key, nullptr, current, LONG(size)) && std::strcmp(current, install->SharedName) == 0)
            isNew = false;
        else if (SetDefault(key, install->SharedName))
            LogLine("registry: %s\\Shared (default) = %s", install->ProductKey, install->SharedName);
        std::free(current);
    }
    RegCloseKey(key);

    char* vendorShared = Joined(install->VendorKey, "\\", install->SharedSubfolder, "\\Shared");
    created = CreateKey(HKEY_LOCAL_MACHINE, vendorShared, &key);
    std::free(vendorShared);
    if (!created)
        return Fail(writer, ErrRegistry);
    {
        DWORD count = 0;
        DWORD size = sizeof count;
        DWORD type = 0;
        if (RegQueryValueExA(key, install->SharedName, nullptr, &type, reinterpret_cast<BYTE*>(&count), &size) !=
                ERROR_SUCCESS ||
            size != sizeof count)
            count = 0;
        if (isNew)
            ++count;
        LONG written = RegSetValueExA(key, install->SharedName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&count),
                                      sizeof count);
        RegCloseKey(key);
        if (written != ERROR_SUCCESS)
            return Fail(writer, ErrRegistry);
        LogLine("registry: shared files count %s = %u", install->SharedName, unsigned(count));
    }

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
    char* keyName = Joined(AppPathsKey, fileName);
    int created = CreateKey(HKEY_LOCAL_MACHINE, keyName, &key);
    std::free(keyName);
    if (!created)
        return Fail(writer, ErrRegistry);
    char path[MAX_PATH];
    if (JoinPath(path, sizeof path, writer->Session->DestinationDir, fileName) && SetDefault(key, path))
        LogLine("registry: %s%s (default) = %s", AppPathsKey, fileName, path);
    if (SetNamed(key, "Path", SharedFilesDir))
        LogLine("registry: %s%s Path = %s", AppPathsKey, fileName, SharedFilesDir);
    RegCloseKey(key);
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
        char* keyName = Joined(UninstallKey, row->UninstallKeyName);
        int created = CreateKey(HKEY_LOCAL_MACHINE, keyName, &key);
        std::free(keyName);
        if (!created)
            continue;
        SetNamed(key, "DisplayName", row->DisplayText ? row->DisplayText : "");
        char* command = Joined("\"", prefix, row->UninstallProgram, "\"");
        SetNamed(key, "UninstallString", command);
        std::free(command);
        RegCloseKey(key);
    }
    return 1;
}
