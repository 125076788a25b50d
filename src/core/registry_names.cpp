#include "core/registry_names.h"

#include "core/text_format.h"

#define MICROSOFT_KEY "Software\\Microsoft"
#define WINDOWS_VERSION_KEY MICROSOFT_KEY "\\Windows\\CurrentVersion"

const char WindowsVersionKey[] = WINDOWS_VERSION_KEY;
const char ProgramFilesValue[] = "ProgramFilesDir";
const char CommonFilesValue[] = "CommonFilesDir";
const char SystemAppPathsKey[] = WINDOWS_VERSION_KEY "\\App Paths";
const char AppPathSearchValue[] = "Path";
const char UninstallRoot[] = WINDOWS_VERSION_KEY "\\Uninstall";
const char ActiveSetupKey[] = MICROSOFT_KEY "\\Active Setup\\Installed Components";
const char MachineClassesKey[] = "Software\\Classes";
const char SessionManagerKey[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const char* const PendingOperationsValues[PendingOperationsValueCount] = {
    "PendingFileRenameOperations", "PendingFileRenameOperations2",
};

const char FileTypeClassSuffix[] = "file";
const char DefaultIconKey[] = "DefaultIcon";
const char ShellOpenKey[] = "Shell\\Open";
const char ShellCommandKey[] = "command";

const char SharedKey[] = "Shared";

const char DisplayNameValue[] = "DisplayName";
const char UninstallStringValue[] = "UninstallString";
const char QuietUninstallStringValue[] = "QuietUninstallString";
const char InstallLocationValue[] = "InstallLocation";
const char DisplayIconValue[] = "DisplayIcon";
const char PublisherValue[] = "Publisher";
const char DisplayVersionValue[] = "DisplayVersion";
const char EstimatedSizeValue[] = "EstimatedSize";

const char ComponentVersionValue[] = "Version";
const char StubPathValue[] = "StubPath";
const char IsInstalledValue[] = "IsInstalled";

bool JoinKey(char* out, size_t size, const char* parent, const char* child)
{
    return FormatWhole(out, size, "%s\\%s", parent, child);
}
