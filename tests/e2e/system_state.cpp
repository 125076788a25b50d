#include "system_state.h"

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>

#include "setup_driver.h"
#include "system_folders.h"

const char kScratchRoot[] = "C:\\kova_e2e";
const char kScratchTemp[] = "C:\\kova_e2e\\temp";
const char kScratchProfile[] = "C:\\kova_e2e\\profile";

namespace {

const std::string kDefaultDestinationText = ProgramFilesFolder() + "\\" + ProductFolder;

const char kRecorderClass[] = "KovaE2E.htmlfile";

}  // namespace

const char* const kDefaultDestination = kDefaultDestinationText.c_str();

bool KeyExists(HKEY root, const char* subKey)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

bool ReadString(HKEY root, const char* subKey, const char* name, std::string* out)
{
    HKEY key;
    char data[1024];
    DWORD size = sizeof(data) - 1;
    DWORD type = 0;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ)
        return false;
    data[size] = '\0';
    *out = data;
    return true;
}

bool ReadDword(HKEY root, const char* subKey, const char* name, DWORD* out)
{
    HKEY key;
    DWORD size = sizeof(*out);
    DWORD type = 0;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_DWORD;
}

bool WriteString(HKEY root, const char* subKey, const char* name, const char* value)
{
    HKEY key;
    if (RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                             static_cast<DWORD>(strlen(value) + 1));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool ReadMultiString(HKEY root, const char* subKey, const char* name, std::string* data)
{
    HKEY key;
    DWORD size = 0;
    DWORD type = 0;
    if (RegOpenKeyExA(root, subKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    LONG rc = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (rc == ERROR_SUCCESS && type == REG_MULTI_SZ) {
        data->assign(size, '\0');
        rc = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&(*data)[0]), &size);
        data->resize(size);
    }
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_MULTI_SZ;
}

bool WriteMultiString(HKEY root, const char* subKey, const char* name, const std::string& data)
{
    HKEY key;
    if (RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    LONG rc = RegSetValueExA(key, name, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

std::vector<std::string> SplitMultiString(const std::string& data)
{
    std::vector<std::string> strings;
    size_t start = 0;
    while (start < data.size()) {
        size_t end = data.find('\0', start);
        if (end == std::string::npos)
            end = data.size();
        strings.push_back(data.substr(start, end - start));
        start = end + 1;
    }
    return strings;
}

bool DeleteValue(HKEY root, const char* subKey, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return false;
    LONG rc = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS;
}

bool DeleteKeyTree(HKEY root, const char* subKey)
{
    HKEY key;
    char name[256];
    if (RegOpenKeyExA(root, subKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return true;
    for (;;) {
        DWORD size = sizeof(name);
        if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        std::string child = std::string(subKey) + "\\" + name;
        if (!DeleteKeyTree(root, child.c_str()))
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyA(root, subKey) == ERROR_SUCCESS;
}

std::string UninstallKey(const char* name)
{
    return std::string(UninstallRoot) + "\\" + name;
}

bool FileExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& path)
{
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool ReadWholeFile(const std::string& path, std::string* out)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    out->clear();
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof(buffer), f)) > 0)
        out->append(buffer, got);
    std::fclose(f);
    return true;
}

bool WriteWholeFile(const std::string& path, const std::string& data)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    return std::fclose(f) == 0 && ok;
}

bool CopyOneFile(const std::string& from, const std::string& to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

bool MakeDirectories(const std::string& path)
{
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != '\\')
            continue;
        std::string prefix = path.substr(0, i);
        if (!DirectoryExists(prefix) && !CreateDirectoryA(prefix.c_str(), nullptr))
            return false;
    }
    return true;
}

std::vector<std::string> ListDirectory(const std::string& path)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..")
            names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::vector<std::string> ProgramsFolders()
{
    std::vector<std::string> folders;
    const int ids[] = {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS};
    for (int id : ids) {
        char path[MAX_PATH];
        if (SHGetFolderPathA(nullptr, id, nullptr, 0, path) == S_OK)
            folders.push_back(path);
    }
    return folders;
}

void CloseGroupWindows(DWORD exceptPid)
{
    HWND window = nullptr;
    while ((window = FindWindowExA(nullptr, window, nullptr, "KOVAwin")) != nullptr) {
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        if (pid != exceptPid)
            PostMessageA(window, WM_CLOSE, 0, 0);
    }
}

std::vector<std::string> GroupLinks(const char* linkName)
{
    std::vector<std::string> links;
    for (const std::string& folder : ProgramsFolders()) {
        std::string link = folder + "\\KOVAwin\\" + linkName;
        if (FileExists(link))
            links.push_back(link);
    }
    return links;
}

bool ResolveLink(const std::string& link, std::string* target, LinkSettings* settings)
{
    bool ok = false;
    IShellLinkA* shellLink = nullptr;
    IPersistFile* file = nullptr;
    WCHAR wideLink[MAX_PATH];
    char path[MAX_PATH] = "";
    HRESULT initialised = CoInitialize(nullptr);
    if (!MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wideLink, MAX_PATH))
        goto done;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        goto done;
    if (FAILED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))))
        goto done;
    if (FAILED(file->Load(wideLink, STGM_READ)))
        goto done;
    if (shellLink->GetPath(path, MAX_PATH, nullptr, 0) != S_OK)
        goto done;
    *target = path;
    if (settings) {
        char text[MAX_PATH] = "";
        int index = 0;
        if (FAILED(shellLink->GetWorkingDirectory(text, MAX_PATH)))
            goto done;
        settings->workingDir = text;
        if (FAILED(shellLink->GetArguments(text, MAX_PATH)))
            goto done;
        settings->arguments = text;
        if (FAILED(shellLink->GetIconLocation(text, MAX_PATH, &index)))
            goto done;
        settings->icon = std::string(text) + "," + std::to_string(index);
    }
    ok = true;
done:
    if (file)
        file->Release();
    if (shellLink)
        shellLink->Release();
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return ok;
}

std::string TracePath(const char* name)
{
    return std::string(kScratchTemp) + "\\" + name;
}

std::string ReadTrace(const char* name)
{
    std::string text;
    ReadWholeFile(TracePath(name), &text);
    return text;
}

std::string WaitForTrace(const char* name, DWORD timeoutMs)
{
    std::string text;
    WaitUntil([&] {
        text = ReadTrace(name);
        return !text.empty() && text.back() == '\n';
    }, timeoutMs);
    return text;
}

void CleanSystem()
{
    DeleteKeyTree(HKEY_LOCAL_MACHINE, VendorKey);
    const char* releases[] = {OlderUninstallKeys[0], OlderUninstallKeys[1], UninstallKeyName};
    for (const char* release : releases)
        DeleteKeyTree(HKEY_LOCAL_MACHINE, UninstallKey(release).c_str());
    DeleteKeyTree(HKEY_CLASSES_ROOT, ".kvx");
    DeleteKeyTree(HKEY_CLASSES_ROOT, "kvxfile");
    for (const char* value : PendingOperationsValues)
        DeleteValue(HKEY_LOCAL_MACHINE, SessionManagerKey, value);
    RemoveTree(kDefaultDestination);
    RemoveTree("C:\\Tools");
    for (const std::string& folder : ProgramsFolders())
        RemoveTree(folder + "\\KOVAwin");
    RemoveTree(kScratchRoot);
    MakeDirectories(kScratchTemp);
    MakeDirectories(kScratchProfile);
}

void HtmlAssociation::Redirect()
{
    if (!saved_) {
        had_ = ReadString(HKEY_CLASSES_ROOT, ".html", nullptr, &previous_);
        saved_ = true;
    }
    std::string command = "\"" + WindowsPath(KOVA_OPEN_RECORDER) + "\" \"%1\"";
    std::string commandKey = std::string(kRecorderClass) + "\\shell\\open\\command";
    WriteString(HKEY_CLASSES_ROOT, commandKey.c_str(), nullptr, command.c_str());
    WriteString(HKEY_CLASSES_ROOT, ".html", nullptr, kRecorderClass);
}

void HtmlAssociation::Restore()
{
    if (!saved_)
        return;
    if (had_)
        WriteString(HKEY_CLASSES_ROOT, ".html", nullptr, previous_.c_str());
    else
        DeleteKeyTree(HKEY_CLASSES_ROOT, ".html");
    DeleteKeyTree(HKEY_CLASSES_ROOT, kRecorderClass);
    saved_ = false;
}

namespace {

// Wine gives each program the Windows version its AppDefaults key names;
// unlike the prefix's default, a 64-bit prefix takes every version there.
std::string VersionKey(const std::string& program)
{
    return "Software\\Wine\\AppDefaults\\" + program;
}

std::string FileNameOf(const std::string& path)
{
    size_t slash = path.find_last_of("\\/");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string OwnFileName()
{
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    return FileNameOf(path);
}

}  // namespace

bool SetWindowsVersion(const char* version)
{
    bool ok = true;
    for (const std::string& program : {FileNameOf(SetupExePath()), OwnFileName()}) {
        if (version)
            ok = WriteString(HKEY_CURRENT_USER, VersionKey(program).c_str(), "Version", version) && ok;
        else
            DeleteKeyTree(HKEY_CURRENT_USER, VersionKey(program).c_str());
    }
    return ok;
}

int PrintWindowsVersion()
{
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version))
        return 1;
    std::printf("platform %lu, %lu.%lu\n", version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion);
    return 0;
}

std::string ReportedWindowsVersion()
{
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    std::string output;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return output;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    char self[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string line = "\"" + std::string(self) + "\" --windows-version";
    BOOL started = CreateProcessA(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (started) {
        char buffer[256];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof(buffer), &got, nullptr) && got > 0)
            output.append(buffer, got);
        WaitForSingleObject(process.hProcess, 30000);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(readEnd);
    while (!output.empty() && (output.back() == '\n' || output.back() == '\r' || output.back() == ' '))
        output.pop_back();
    return output;
}

std::string ManifestOf(const std::string& program)
{
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC found = module ? FindResourceA(module, CREATEPROCESS_MANIFEST_RESOURCE_ID, RT_MANIFEST) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    std::string manifest = data ? std::string(data, SizeofResource(module, found)) : std::string();
    if (module)
        FreeLibrary(module);
    return manifest;
}
