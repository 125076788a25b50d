// The shell's, COM's and accessibility's functions the installer calls,
// from libraries loaded out of the system folder the first time one of them
// is called rather than when the program starts: most of a run never needs
// them (an unattended one only the shell, for its registry step), and
// loading them at start-up costs every run its start. Each fails as the
// function itself would when its library cannot be loaded.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include <oleacc.h>

namespace SystemLibraries {

// `name` (such as "shell32.dll") from the system folder, loaded once; null
// where it cannot be.
HMODULE Library(const char* name);

// `name` from the system folder, loaded anew for the caller to free; null
// where it cannot be.
HMODULE LoadFromSystemFolder(const char* name);

BOOL ShellExecuteEx(SHELLEXECUTEINFOA* info);
HINSTANCE ShellExecute(HWND owner, const char* verb, const char* file, const char* parameters, const char* dir,
                       int show);
void ChangeNotify(LONG event, UINT flags, const void* first, const void* second);
BOOL SpecialFolderPath(HWND owner, char* path, int folder, BOOL create);

// CoInitializeEx's apartment (COINIT_APARTMENTTHREADED: CoInitialize's).
HRESULT ComInitialize(DWORD apartment);
void ComUninitialize();
HRESULT ComCreateInstance(REFCLSID type, IUnknown* outer, DWORD context, REFIID id, void** object);
BSTR AllocString(const wchar_t* text);
void FreeString(BSTR text);

HRESULT CreateStdAccessible(HWND window, LONG object, REFIID id, void** accessible);
LRESULT ResultFromObject(REFIID id, WPARAM flags, IUnknown* object);

}  // namespace SystemLibraries
