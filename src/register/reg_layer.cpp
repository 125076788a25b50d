#include "register/reg_layer.h"

#include <cstring>

#include "frame/setup_log.h"

namespace {

const int MaxValueName = 256;

HKEY AimedMachine = nullptr;
HKEY AimedClasses = nullptr;

// Value names are ASCII; the wide interface wants them wide. A null name
// (the default value) stays null; false when the name does not fit.
bool Widened(const char* name, wchar_t (&out)[MaxValueName], const wchar_t** wide)
{
    *wide = nullptr;
    if (!name)
        return true;
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, out, MaxValueName) == 0)
        return false;
    *wide = out;
    return true;
}

} // namespace

void AimRegistryAt(HKEY machine, HKEY classes)
{
    AimedMachine = machine;
    AimedClasses = classes;
}

HKEY RegistryRoot(HKEY root)
{
    if (root == HKEY_LOCAL_MACHINE && AimedMachine)
        return AimedMachine;
    if (root == HKEY_CLASSES_ROOT && AimedClasses)
        return AimedClasses;
    return root;
}

HKEY PredefinedRoot(uint32_t value)
{
    return reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(static_cast<LONG>(value)));
}

LONG OpenRegKey(HKEY parent, const char* path, HKEY* key, REGSAM access)
{
    return RegOpenKeyExA(RegistryRoot(parent), path, 0, access, key);
}

LONG CreateRegKey(HKEY parent, const char* path, HKEY* key)
{
    if (!path)
        return ERROR_INVALID_PARAMETER;
    return RegCreateKeyExA(RegistryRoot(parent), path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                           key, nullptr);
}

void CloseRegKey(HKEY key)
{
    if (key)
        RegCloseKey(key);
}

LONG EnumRegKey(HKEY key, DWORD index, char* name, DWORD size)
{
    return RegEnumKeyA(key, index, name, size);
}

int ReadRegDefault(HKEY parent, const char* subKey, char* out, LONG size)
{
    LONG got = size;
    out[0] = '\0';
    if (RegQueryValueA(RegistryRoot(parent), subKey, out, &got) != ERROR_SUCCESS)
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

bool ReadRegText(HKEY key, const char* name, char* out, DWORD capacity, DWORD* type)
{
    DWORD size = capacity - 1;
    DWORD got = 0;
    std::memset(out, 0, capacity);
    if (RegQueryValueExA(key, name, nullptr, &got, reinterpret_cast<BYTE*>(out), &size) != ERROR_SUCCESS) {
        out[0] = '\0';
        return false;
    }
    if (type)
        *type = got;
    return true;
}

bool ReadRegNumber(HKEY key, const char* name, DWORD* value)
{
    DWORD size = sizeof *value;
    DWORD type = 0;
    return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
           size == sizeof *value;
}

LONG ReadRegWide(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size)
{
    wchar_t buffer[MaxValueName];
    const wchar_t* wide;
    if (!Widened(name, buffer, &wide))
        return ERROR_INVALID_PARAMETER;
    return RegQueryValueExW(key, wide, nullptr, type, data, size);
}

bool WriteRegText(HKEY key, const char* keyPath, const char* name, const char* text)
{
    if (!text)
        return false;
    bool ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                             DWORD(std::strlen(text) + 1)) == ERROR_SUCCESS;
    if (keyPath)
        LogLine(ok ? "registry: %s %s = %s" : "registry: could not write %s %s = %s", keyPath,
                name ? name : "(default)", text);
    return ok;
}

bool WriteRegNumber(HKEY key, const char* keyPath, const char* name, DWORD value)
{
    bool ok = RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value) ==
              ERROR_SUCCESS;
    if (keyPath)
        LogLine(ok ? "registry: %s %s = %lu" : "registry: could not write %s %s = %lu", keyPath,
                name ? name : "(default)", value);
    return ok;
}

bool WriteRegWide(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size)
{
    wchar_t buffer[MaxValueName];
    const wchar_t* wide;
    return Widened(name, buffer, &wide) && RegSetValueExW(key, wide, 0, type, data, size) == ERROR_SUCCESS;
}

bool DeleteRegValue(HKEY key, const char* name)
{
    wchar_t buffer[MaxValueName];
    const wchar_t* wide;
    return Widened(name, buffer, &wide) && RegDeleteValueW(key, wide) == ERROR_SUCCESS;
}

long DeleteRegKey(HKEY parent, const char* path)
{
    HKEY key;
    LONG opened = OpenRegKey(parent, path, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    RegCloseKey(key);
    bool deleted = RegDeleteKeyA(RegistryRoot(parent), path) == ERROR_SUCCESS;
    LogLine(deleted ? "registry: deleted %s" : "registry: could not delete %s", path);
    return deleted ? 1 : 0;
}

int DeleteKeyTree(HKEY parent, const char* name, const char* parentPath)
{
    HKEY key = nullptr;
    // Key names are at most 255 characters, so every subkey can be named here.
    char subKey[256];
    DWORD index = 0;
    parent = RegistryRoot(parent);
    if (OpenRegKey(parent, name, &key, MAXIMUM_ALLOWED) != ERROR_SUCCESS)
        return 0;
    while (EnumRegKey(key, index, subKey, sizeof subKey) == ERROR_SUCCESS) {
        if (!DeleteKeyTree(key, subKey))
            ++index; // a subkey that stays; the next one sits behind it
    }
    RegCloseKey(key);
    bool deleted = RegDeleteKeyA(parent, name) == ERROR_SUCCESS;
    if (deleted && parentPath)
        LogLine("registry: deleted %s\\%s", parentPath, name);
    return deleted ? 1 : 0;
}
