// What the installer leaves on the system, seen from the driver: registry
// keys and values, files and directories, traces of the programs it starts;
// and the clean state every scenario starts from.
#pragma once
#include "scratch_files.h"
#include <windows.h>

#include "core/product_tables.h"

#include <string>
#include <vector>

// Scratch places of the scenarios; everything below kScratchRoot goes at cleanup.
extern const char kScratchRoot[];     // C:\kova_e2e
extern const char kScratchTemp[];     // TEMP and TMP of the setup
extern const char kScratchProfile[];  // UserProfile of the setup
// The destination the setup proposes: the product's folder in the program-files
// folder of this program's view (C:\Program Files (x86)\KOVAwin for a 32-bit
// program on 64-bit Windows).
extern const char* const kDefaultDestination;

// Registry.
bool KeyExists(HKEY root, const char* subKey);
bool ReadString(HKEY root, const char* subKey, const char* name, std::string* out);
bool ReadDword(HKEY root, const char* subKey, const char* name, DWORD* out);
bool WriteString(HKEY root, const char* subKey, const char* name, const char* value);
// A REG_MULTI_SZ value as its raw data: NUL-terminated strings, closed by
// one more NUL.
bool ReadMultiString(HKEY root, const char* subKey, const char* name, std::string* data);
bool WriteMultiString(HKEY root, const char* subKey, const char* name, const std::string& data);
// Every NUL-terminated string of such data, the closing empty one included.
std::vector<std::string> SplitMultiString(const std::string& data);
bool DeleteValue(HKEY root, const char* subKey, const char* name);
bool DeleteKeyTree(HKEY root, const char* subKey);
std::string UninstallKey(const char* name);

// Files.
bool FileExists(const std::string& path);
bool DirectoryExists(const std::string& path);
bool ReadWholeFile(const std::string& path, std::string* out);
bool WriteWholeFile(const std::string& path, const std::string& data);
bool CopyOneFile(const std::string& from, const std::string& to);
bool MakeDirectories(const std::string& path);
// Names of the entries directly in a directory (no "." or "..").
std::vector<std::string> ListDirectory(const std::string& path);
// The user's and the common Start-menu Programs folders.
std::vector<std::string> ProgramsFolders();

// Closes the folder windows that showing the program group opened (the
// shell's, captioned KOVAwin), so that they stay out of later screenshots.
void CloseGroupWindows(DWORD exceptPid);
// Full paths of the program group's links found in the Programs folders.
std::vector<std::string> GroupLinks(const char* linkName);
// The application manifest (RT_MANIFEST 1) of a program; empty when it has none.
std::string ManifestOf(const std::string& program);
// What a shell link starts besides its target: in which folder, with which
// arguments, under which icon ("path,index").
struct LinkSettings {
    std::string workingDir, arguments, icon;
};
// The target of a shell link (IShellLinkA::GetPath), and its settings when
// asked; false when it cannot be loaded.
bool ResolveLink(const std::string& link, std::string* target, LinkSettings* settings = nullptr);

// Traces of the programs the installer starts, in kScratchTemp.
std::string TracePath(const char* name);
std::string ReadTrace(const char* name);
// Waits until the trace exists and is not empty; its text or empty.
std::string WaitForTrace(const char* name, DWORD timeoutMs);

// Removes every trace an installation can leave (keys, directories, links,
// boot-time operations, scratch places) and makes the scratch places again.
void CleanSystem();

// Points HKCR\.html at a class whose open command runs the recorder, and
// puts the previous association back.
class HtmlAssociation {
public:
    void Redirect();
    void Restore();
private:
    bool saved_ = false;
    bool had_ = false;
    std::string previous_;
};

// The Windows version Wine reports to setup.exe and to this driver, by
// Wine's name for it ("win95", "nt40", ...); null goes back to the prefix's.
bool SetWindowsVersion(const char* version);
// What GetVersionExA reports to this driver, as --windows-version prints it
// from a new process: "platform 1, 4.0".
std::string ReportedWindowsVersion();
int PrintWindowsVersion();
