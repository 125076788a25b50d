#include "register/registry.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "frame/frame.h"
#include "frame/wizard.h"
#include "pages/paths.h"
#include "register/progman.h"

RegistryWriter* CurrentRegistryWriter = nullptr;

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

int SetDefault(HKEY key, const std::string& text)
{
    return RegSetValueA(key, nullptr, REG_SZ, text.c_str(), DWORD(text.size() + 1)) == ERROR_SUCCESS;
}

int SetNamed(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          DWORD(text.size() + 1)) == ERROR_SUCCESS;
}

// Creates or opens `subKey` under `parent` and sets its default value.
int WriteDefault(HKEY parent, const char* subKey, const std::string& text, HKEY* keepOpen = nullptr)
{
    HKEY key = nullptr;
    if (RegCreateKeyA(parent, subKey, &key) != ERROR_SUCCESS)
        return 0;
    int ok = SetDefault(key, text);
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
    if (RegQueryValueA(parent, subKey, out, &got) != ERROR_SUCCESS || got > size)
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

std::string WithSeparator(const char* dir)
{
    std::string path = dir ? dir : "";
    if (path.empty() || path.back() != '\\')
        path += '\\';
    return path;
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
    std::vector<char> question(std::strlen(format) + std::strlen(row->Extension) + std::strlen(currentText) +
                               std::strlen(row->Description) + 1);
    std::snprintf(question.data(), question.size(), format, row->Extension, currentText, row->Description);
    return MessageBoxA(writer->Page, question.data(), "Install", MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void OnRegistryInit(HWND page)
{
    SetExitCaption("Abort");
    delete CurrentRegistryWriter;
    CurrentRegistryWriter = new RegistryWriter{page, 0, nullptr, &Descriptor};
    PostMessageA(page, WM_COMMAND, RegistryStartCommand, 0);
}

void OnRegistryStart(HWND page)
{
    RegistryWriter* writer = CurrentRegistryWriter;
    UpdateWindow(page);
    if (!writer)
        return;
    if (WriteRegistry(writer))
        SetTimer(page, RegistryDoneTimer, RegistryDoneDelayMs, nullptr);
    else
        ShowErrorPage(writer->ErrorCode, writer->ErrorArg); // destroys the page and the writer
}

} // namespace

INT_PTR CALLBACK RegistryPageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnRegistryInit(window);
        break;
    case WM_COMMAND:
        if (LOWORD(wParam) == RegistryStartCommand) {
            OnRegistryStart(window);
            return TRUE;
        }
        break;
    case WM_TIMER:
        if (wParam == RegistryDoneTimer) {
            KillTimer(window, RegistryDoneTimer);
            GoNextPage();
            return TRUE;
        }
        break;
    case WM_DESTROY:
        if (CurrentRegistryWriter && CurrentRegistryWriter->Page == window) {
            delete CurrentRegistryWriter;
            CurrentRegistryWriter = nullptr;
        }
        break;
    default:
        break;
    }
    return PageDefaultProc(window, message, wParam, lParam);
}

int WriteRegistry(RegistryWriter* writer)
{
    const InstallDescriptor* install = writer->Install;
    char prefix[MAX_PATH + 2];
    if (!install->RegistryEntries)
        return 0;
    if (!MakeDestinationPrefix(GetDestinationDir(), prefix, sizeof prefix))
        return Fail(writer, ErrRegistry);

    for (const RegistryRow* row = install->RegistryEntries; row->ComponentKey != 0; ++row) {
        if (!row->Selected)
            continue;
        HKEY key = nullptr;
        if (RegCreateKeyA(reinterpret_cast<HKEY>(row->RootKey), row->SubKey, &key) != ERROR_SUCCESS)
            return Fail(writer, ErrRegistry);
        if (row->DefaultValue)
            SetDefault(key, row->PrefixDestination ? std::string(prefix) + row->DefaultValue : row->DefaultValue);
        RegCloseKey(key);
        if (ConfirmAbort(writer->Page))
            return Fail(writer, ErrAborted);
    }

    RegisterSharedFiles(writer);
    for (const FileTypeRow* row = install->FileTypes; row && row->ComponentKey != 0; ++row)
        if (row->Selected)
            RegisterFileType(writer, row, prefix);
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
    std::string extensionKey = std::string(".") + row->Extension;
    std::string className = std::string(row->Extension) + "file";

    // The question is about the association as the user sees it: the merged
    // view of the machine's and the user's classes.
    if (ReadDefault(HKEY_CLASSES_ROOT, extensionKey.c_str(), current, sizeof current)) {
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
        DeleteKeyTree(machineClasses, className.c_str());

    if (!WriteDefault(machineClasses, extensionKey.c_str(), className))
        goto done;
    if (!WriteDefault(machineClasses, className.c_str(), row->Description, &classKey))
        goto done;
    {
        char iconId[16];
        std::snprintf(iconId, sizeof iconId, ",-%d", int(row->IconId));
        if (!WriteDefault(classKey, "DefaultIcon", std::string(prefix) + (row->IconFile ? row->IconFile : "") + iconId))
            goto done;
    }
    if (!WriteDefault(classKey, "Shell\\Open", "&Open", &openKey))
        goto done;
    // The program path in quotes: unquoted, a destination with a blank would
    // make the shell try C:\Program.exe first.
    if (!WriteDefault(openKey, "command",
                      "\"" + std::string(prefix) + (row->OpenProgram ? row->OpenProgram : "") + "\" \"%1\""))
        goto done;
    ok = 1;
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

    std::string productShared = std::string(install->ProductKey) + "\\Shared";
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, productShared.c_str(), &key) != ERROR_SUCCESS)
        return Fail(writer, ErrRegistry);
    {
        // Room for the name and one more character, so a longer value never reads as equal.
        std::vector<char> current(std::strlen(install->SharedName) + 2 < 32 ? 32 : std::strlen(install->SharedName) + 2);
        if (ReadDefault(key, nullptr, current.data(), LONG(current.size())) &&
            std::strcmp(current.data(), install->SharedName) == 0)
            isNew = false;
        else
            SetDefault(key, install->SharedName);
    }
    RegCloseKey(key);

    std::string vendorShared = std::string(install->VendorKey) + "\\" + install->SharedSubfolder + "\\Shared";
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, vendorShared.c_str(), &key) != ERROR_SUCCESS)
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
    std::string keyName = std::string(AppPathsKey) + fileName;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, keyName.c_str(), &key) != ERROR_SUCCESS)
        return Fail(writer, ErrRegistry);
    SetDefault(key, WithSeparator(GetDestinationDir()) + fileName);
    SetNamed(key, "Path", SharedFilesDir);
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
        std::string keyName = std::string(UninstallKey) + row->UninstallKeyName;
        if (RegCreateKeyA(HKEY_LOCAL_MACHINE, keyName.c_str(), &key) != ERROR_SUCCESS)
            continue;
        SetNamed(key, "DisplayName", row->DisplayText ? row->DisplayText : "");
        SetNamed(key, "UninstallString",
                 "\"" + std::string(prefix) + (row->UninstallProgram ? row->UninstallProgram : "") + "\"");
        RegCloseKey(key);
    }
    return 1;
}
