// Every registry call of the installer goes through these functions, so
// that roots, access and logging are decided in one place. A write or
// delete given the path of its key is logged ("registry: <key> <value> =
// <data>"); without one it is silent.
//
// The machine's root and the classes view can be aimed at keys of the
// caller's choosing, so that a test runs an engine against a scratch key.
#pragma once
#include <windows.h>
#include <cstdint>

// From now on HKEY_LOCAL_MACHINE stands for `machine` and HKEY_CLASSES_ROOT
// for `classes`; nulls give back the real roots. The caller keeps both
// keys open while they are aimed at.
void AimRegistryAt(HKEY machine, HKEY classes);
// The key `root` stands for: an aimed root, or `root` itself.
HKEY RegistryRoot(HKEY root);
// The key handle of a predefined root named by its value (a table's RootKey).
HKEY PredefinedRoot(uint32_t value);

// Open and create return the registry's error code; `*key` is set on success.
LONG OpenRegKey(HKEY parent, const char* path, HKEY* key, REGSAM access = KEY_READ);
LONG CreateRegKey(HKEY parent, const char* path, HKEY* key);
// Safe on a null key.
void CloseRegKey(HKEY key);
LONG EnumRegKey(HKEY key, DWORD index, char* name, DWORD size);

// The default value of `subKey` (null: of `parent` itself), when it exists
// and fits `size` bytes with its terminator. A value stored without one
// (another program may write it so) comes back terminated, or, when it
// fills the buffer, does not fit.
int ReadRegDefault(HKEY parent, const char* subKey, char* out, LONG size);
// A value of at most `capacity` - 1 bytes, always terminated; empty and
// false when it is missing or longer. `type` (may be null) gets its type.
bool ReadRegText(HKEY key, const char* name, char* out, DWORD capacity, DWORD* type);
// A four-byte value; false when it is missing or of another size.
bool ReadRegNumber(HKEY key, const char* name, DWORD* value);
// A value's raw data through the wide interface, which keeps every
// character of a string whatever the code page; as RegQueryValueExW.
LONG ReadRegWide(HKEY key, const char* name, DWORD* type, BYTE* data, DWORD* size);

// A null text (a composition that failed) is a failed write, not logged.
bool WriteRegText(HKEY key, const char* keyPath, const char* name, const char* text);
bool WriteRegNumber(HKEY key, const char* keyPath, const char* name, DWORD value);
// Wide data of `type`, as RegSetValueExW; not logged.
bool WriteRegWide(HKEY key, const char* name, DWORD type, const BYTE* data, DWORD size);
bool DeleteRegValue(HKEY key, const char* name);

// Deletes the key `path` below `parent` when it has no subkeys, logged by
// `path`: the error code of opening it when it cannot be opened
// (ERROR_FILE_NOT_FOUND when missing), else 1 when it went, 0 when it stayed.
long DeleteRegKey(HKEY parent, const char* path);
// Deletes `name` under `parent` with all its subkeys; 1 if the key itself
// went. Logged as "<parentPath>\<name>" when `parentPath` is given and the
// key went.
int DeleteKeyTree(HKEY parent, const char* name, const char* parentPath = nullptr);
