#include "frame/system_libraries.h"

#include <shlobj.h>

#include <cstring>

#include "core/text_format.h"
#include "frame/system_function.h"

namespace SystemLibraries {

namespace {

struct Loaded {
    const char* Name;
    HMODULE Module;
};
// Two threads asking at once load the library twice, harmlessly.
Loaded Libraries[4] = {{"shell32.dll", nullptr}, {"ole32.dll", nullptr}, {"oleaut32.dll", nullptr},
                       {"oleacc.dll", nullptr}};

template <typename Function>
Function From(const char* library, const char* name)
{
    return SystemFunction<Function>(Library(library), name);
}

}  // namespace

HMODULE LoadFromSystemFolder(const char* name)
{
    HMODULE module = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // Systems from before the search flags: by the system folder's path.
    char path[MAX_PATH];
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !FormatWhole(path + length, MAX_PATH - length, "\\%s", name))
        return nullptr;
    return LoadLibraryA(path);
}

HMODULE Library(const char* name)
{
    for (Loaded& library : Libraries) {
        if (std::strcmp(library.Name, name) != 0)
            continue;
        if (!library.Module)
            library.Module = LoadFromSystemFolder(name);
        return library.Module;
    }
    return LoadFromSystemFolder(name);
}

BOOL ShellExecuteEx(SHELLEXECUTEINFOA* info)
{
    typedef BOOL(WINAPI * Function)(SHELLEXECUTEINFOA*);
    Function execute = From<Function>("shell32.dll", "ShellExecuteExA");
    return execute ? execute(info) : FALSE;
}

HINSTANCE ShellExecute(HWND owner, const char* verb, const char* file, const char* parameters, const char* dir,
                       int show)
{
    typedef HINSTANCE(WINAPI * Function)(HWND, const char*, const char*, const char*, const char*, int);
    Function execute = From<Function>("shell32.dll", "ShellExecuteA");
    return execute ? execute(owner, verb, file, parameters, dir, show)
                   : reinterpret_cast<HINSTANCE>(SE_ERR_DLLNOTFOUND);
}

void ChangeNotify(LONG event, UINT flags, const void* first, const void* second)
{
    typedef void(WINAPI * Function)(LONG, UINT, const void*, const void*);
    Function notify = From<Function>("shell32.dll", "SHChangeNotify");
    if (notify)
        notify(event, flags, first, second);
}

BOOL SpecialFolderPath(HWND owner, char* path, int folder, BOOL create)
{
    typedef BOOL(WINAPI * Function)(HWND, char*, int, BOOL);
    Function find = From<Function>("shell32.dll", "SHGetSpecialFolderPathA");
    return find ? find(owner, path, folder, create) : FALSE;
}

HRESULT ComInitialize(DWORD apartment)
{
    typedef HRESULT(WINAPI * Function)(void*, DWORD);
    Function initialize = From<Function>("ole32.dll", "CoInitializeEx");
    return initialize ? initialize(nullptr, apartment) : E_FAIL;
}

void ComUninitialize()
{
    typedef void(WINAPI * Function)();
    Function uninitialize = From<Function>("ole32.dll", "CoUninitialize");
    if (uninitialize)
        uninitialize();
}

HRESULT ComCreateInstance(REFCLSID type, IUnknown* outer, DWORD context, REFIID id, void** object)
{
    typedef HRESULT(WINAPI * Function)(REFCLSID, IUnknown*, DWORD, REFIID, void**);
    Function create = From<Function>("ole32.dll", "CoCreateInstance");
    *object = nullptr;
    return create ? create(type, outer, context, id, object) : REGDB_E_CLASSNOTREG;
}

BSTR AllocString(const wchar_t* text)
{
    typedef BSTR(WINAPI * Function)(const wchar_t*);
    Function alloc = From<Function>("oleaut32.dll", "SysAllocString");
    return alloc ? alloc(text) : nullptr;
}

void FreeString(BSTR text)
{
    typedef void(WINAPI * Function)(BSTR);
    Function release = From<Function>("oleaut32.dll", "SysFreeString");
    if (release && text)
        release(text);
}

HRESULT CreateStdAccessible(HWND window, LONG object, REFIID id, void** accessible)
{
    typedef HRESULT(WINAPI * Function)(HWND, LONG, REFIID, void**);
    Function create = From<Function>("oleacc.dll", "CreateStdAccessibleObject");
    *accessible = nullptr;
    return create ? create(window, object, id, accessible) : E_FAIL;
}

LRESULT ResultFromObject(REFIID id, WPARAM flags, IUnknown* object)
{
    typedef LRESULT(WINAPI * Function)(REFIID, WPARAM, IUnknown*);
    Function result = From<Function>("oleacc.dll", "LresultFromObject");
    return result ? result(id, flags, object) : E_FAIL;
}

}  // namespace SystemLibraries
