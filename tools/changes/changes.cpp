#include "changes.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "files.h"
#include "core/descriptor.h"
#include "core/file_folder.h"
#include "core/path_join.h"
#include "core/pending_ops.h"
#include "core/product_tables.h"
#include "core/progman.h"
#include "core/registry_names.h"
#include "core/registry_text.h"
#include "core/server_config.h"
#include "core/space.h"

namespace {

const char Destination[] = "<destination>";
const char Machine[] = "HKEY_LOCAL_MACHINE";
const char Classes[] = "HKEY_CLASSES_ROOT";
const char LibraryExample[] = "D:\\Libs";
// The descriptor this page is made from: the product's tables and the staged files.
InstallDescriptor Descriptor;

// The copy engine's folder for a file, as this page names it: fonts are
// also added to the system's fonts (SYSTEM before there was a font folder).
std::string Folder(const FileEntry& file)
{
    switch (FolderOf(file.Name, file.TargetSelector)) {
    case FolderFonts:
        return "%SystemRoot%\\Fonts";
    case FolderSharedFiles:
        return "<shared files>";
    default:
        return Destination;
    }
}

// The registry writer's texts of a file type.
std::string ClassName(const FileTypeRow& row)
{
    char text[1024];
    FileTypeClassName(&row, text, sizeof text);
    return text;
}

std::string IconValue(const std::string& prefix, const FileTypeRow& row)
{
    char text[1024];
    FileTypeIcon(&row, prefix.c_str(), text, sizeof text);
    return text;
}

std::string OpenCommand(const std::string& prefix, const FileTypeRow& row)
{
    char text[1024];
    FileTypeOpenCommand(&row, prefix.c_str(), text, sizeof text);
    return text;
}

std::string JoinedKey(const char* parent, const std::string& child)
{
    char text[1024];
    JoinKey(text, sizeof text, parent, child.c_str());
    return text;
}

std::string Code(const std::string& text)
{
    return "`" + text + "`";
}

std::string Join(const char* dir, const char* name)
{
    char out[1024];
    JoinPath(out, sizeof out, dir, name);
    return out;
}

std::string Quoted(const char* dir, const char* name)
{
    char out[1024];
    QuotedPath(out, sizeof out, dir, name);
    return out;
}

// The finishing step's command for the copy back, merged in `temp`.
std::string CopyBack(const char* temp, const std::string& userDir)
{
    char out[1024];
    CopyBackParameters(Join(temp, ServerConfigName).c_str(), userDir.c_str(), out, sizeof out);
    return out;
}

std::string RootName(uint32_t root)
{
    if (root == RootLocalMachineValue)
        return Machine;
    return root == RootClassesValue ? Classes : "?";
}

// "a, b or c"
std::string Listed(const std::vector<std::string>& items, const char* last)
{
    std::string text;
    for (size_t i = 0; i < items.size(); ++i)
        text += (i == 0 ? "" : i + 1 == items.size() ? std::string(" ") + last + " " : ", ") + items[i];
    return text;
}

std::string Fenced(const std::string& text)
{
    return "```\n" + text + (text.empty() || text.back() == '\n' ? "" : "\n") + "```\n\n";
}

void Row(std::ostream& out, const std::vector<std::string>& cells)
{
    out << "|";
    for (const std::string& cell : cells)
        out << " " << cell << " |";
    out << "\n";
}

// The registry table: numbered rows in the order the installer touches them.
class RegistryTable {
public:
    explicit RegistryTable(std::ostream& out) : out_(out)
    {
        Row(out_, {"#", "Step", "Action", "Root", "Key", "Value", "Type", "Data"});
        Row(out_, {"--:", "---", "---", "---", "---", "---", "---", "---"});
    }
    void Add(const std::string& step, const char* action, const std::string& root, const std::string& key,
             const std::string& value, const char* type, const std::string& data)
    {
        // A key in parentheses is described, not named.
        Row(out_, {std::to_string(++count_), step, action, root, key[0] == '(' ? key : Code(key), value, type, data});
    }

private:
    std::ostream& out_;
    int count_ = 0;
};

std::string ReleaseTime()
{
    char text[32];
    ReleaseStamp stamp = ReleaseStampOf(ProductReleaseYear, ProductReleaseMonth, ProductReleaseDay, ProductVersion);
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", stamp.Year, stamp.Month, stamp.Day, stamp.Hour,
                  stamp.Minute);
    return text;
}

// The shipped server configuration merged with LibraryExample, as the user's
// first copy comes out of the finishing step; its lines without CR.
bool MergedExample(const std::string& shippedPath, std::string& merged, std::string& error)
{
    FILE* source = std::fopen(shippedPath.c_str(), "rb");
    FILE* output = std::tmpfile();
    if (!source || !output) {
        error = shippedPath + ": cannot be read for the merge example";
    } else {
        WriteMergedConfig(source, output, LibraryEnvironmentOf(LibraryExample).LibraryDir);
        std::rewind(output);
        for (int c; (c = std::fgetc(output)) != EOF;)
            if (c != '\r')
                merged += static_cast<char>(c);
    }
    if (source)
        std::fclose(source);
    if (output)
        std::fclose(output);
    return error.empty();
}

void Introduction(std::ostream& out)
{
    out << "# What the " << ProductTitle << " setup changes on a PC\n\n"
        << "Generated by `tools/changes` from the tables and the payload setup.exe is built from: the build "
           "writes `build/win32/changes.md`, and `make test` fails while this file differs from it (copy it over "
           "this one).\n\n"
           "`<destination>` is the folder chosen on the destination page. The setup proposes the folder of an "
           "earlier installation (read from the registry, row 1 below), otherwise `"
        << ProductFolder << "` in the program-files folder (row 2): `C:\\Program Files\\" << ProductFolder
        << "`, or `C:\\Program Files (x86)\\" << ProductFolder
        << "` on 64-bit Windows. `%UserProfile%` and `%TEMP%` are the installing user's environment variables.\n\n"
           "setup.exe is a 32-bit program: on 64-bit Windows its keys below `HKEY_LOCAL_MACHINE\\SOFTWARE` lie in "
           "the 32-bit view (`SOFTWARE\\WOW6432Node`), except the file types below `"
        << MachineClassesKey
        << "`, which both views share.\n\n"
           "The steps, in order: leaving the destination page creates `<destination>` (with any missing parent "
           "folders); leaving the replace page, which shows only when `<destination>` holds `"
        << EarlierProgramFiles[0] << "` or `" << EarlierProgramFiles[1]
        << "`, removes the earlier installation; the copy page installs the files; the registry page and leaving "
           "it write the registry; the icons page makes the program group; the finishing step, just before the last "
           "page (or before the error page when the program group cannot be made), gives the user a configuration "
           "file and cleans up. Nothing is undone when the installation stops "
           "part-way.\n\n"
           "An unattended run (`setup.exe /S`, see `docs/deployment.md`) makes the same changes with the wizard's "
           "proposals: `<destination>` is the proposed folder or the one `/D=` names, an earlier installation is "
           "replaced, the file type is taken over, and nothing is started or opened at the end. It also writes a "
           "log: the file `/LOG=` names, else `%TEMP%\\" << UnattendedLogName
        << "` (under the system's own accounts, whose `%TEMP%` every user may write to, the system's private "
           "temporary folder, `C:\\Windows\\SystemTemp`, or on systems without it `%TEMP%\\"
        << PrivateFolderName << "`, which only SYSTEM and the administrators can enter; so too the merged "
           "configuration below). Each of these files is made new: whatever stood at its name (a file, or a link) "
           "is removed first, never written through.\n\n";
}

void FilesSection(std::ostream& out, const FileEntry* files)
{
    out << "## Files installed\n\n"
           "Each file is written under its compressed name (its last character made `_`, such as `kovamain.ex_`), "
           "expanded to the name below, the compressed copy deleted, and the result checked against the CRC "
           "(CRC-32 preset to 0xFFFFFFFF, without the final inversion). A file of the same name is replaced. Every "
           "file gets the time stamp "
        << ReleaseTime() << " local time (created, last written, last accessed).\n\n";
    Row(out, {"Folder", "Name", "Size (bytes)", "CRC"});
    Row(out, {"---", "---", "--:", "---"});
    unsigned long long total = 0;
    int count = 0;
    for (const FileEntry* file = files; file->ComponentKey != 0; ++file) {
        if (!file->Selected)
            continue;
        char crc[16];
        std::snprintf(crc, sizeof crc, "0x%08X", unsigned(file->Crc));
        Row(out, {Code(Folder(*file)), Code(file->Name),
                  std::to_string(file->Size), crc});
        total += file->Size;
        count++;
    }
    out << "\n" << count << " files, " << total << " bytes.";
    for (const DirectoryRow* dir = ProductDirectories; dir->ComponentKey != 0; ++dir)
        out << " Also the folder " << Code(Join(Destination, dir->Name)) << ".";
    out << "\n\n";
}

void RegistrySection(std::ostream& out, const std::string& prefix)
{
    const std::string uninstallKey = JoinedKey(UninstallRoot, UninstallKeyName);
    out << "## Registry\n\n"
           "In the order the installer touches them. `(default)` is a key's unnamed value.\n\n";
    RegistryTable table(out);
    table.Add("start", "read", Machine, ProductAppPathsKey, "(default)", "REG_SZ",
              "an earlier installation's main program: its folder is proposed as `<destination>`");
    table.Add("start, no earlier installation", "read", Machine, WindowsVersionKey, ProgramFilesValue, "REG_SZ",
              std::string("the program-files folder, `C:\\Program Files` when missing: `") + ProductFolder +
                  "` in it is proposed");
    for (const char* key : OlderUninstallKeys)
        table.Add("replace page left, with the earlier `" + std::string(UninstallerName) + "`", "delete", Machine,
                  JoinedKey(UninstallRoot, key), "", "", "an earlier release's uninstall entry (kept if it has subkeys)");
    for (const RegistryRow* row = ProductRegistryEntries; row->ComponentKey != 0; ++row)
        if (row->Selected && row->DefaultValue)
            table.Add("registry page", "write", RootName(row->RootKey), row->SubKey, "(default)", "REG_SZ",
                      Code(row->PrefixDestination ? prefix + row->DefaultValue : row->DefaultValue));
    for (const FileTypeRow* type = ProductFileTypes; type->ComponentKey != 0; ++type) {
        if (!type->Selected)
            continue;
        const std::string extension = std::string(".") + type->Extension;
        const std::string className = ClassName(*type);
        const std::string classKey = JoinedKey(MachineClassesKey, className);
        const std::string step = "registry page, file type " + Code(extension);
        table.Add(step, "read", Classes, extension, "(default)", "REG_SZ", "the class the extension names");
        table.Add(step, "read", Classes, "(that class)", "(default)", "REG_SZ",
                  std::string("its description: when it is not `") + type->Description +
                      "` (in any letter case) the user is asked whether to replace it, and No writes nothing of the "
                      "type");
        table.Add(step, "delete", Machine, classKey, "(key and subkeys)", "",
                  "only when the extension was registered");
        table.Add(step, "write", Machine, JoinedKey(MachineClassesKey, extension), "(default)", "REG_SZ",
                  Code(className));
        table.Add(step, "write", Machine, classKey, "(default)", "REG_SZ", Code(type->Description));
        const std::string openKey = JoinedKey(classKey.c_str(), ShellOpenKey);
        table.Add(step, "write", Machine, JoinedKey(classKey.c_str(), DefaultIconKey), "(default)", "REG_SZ",
                  Code(IconValue(prefix, *type)));
        table.Add(step, "write", Machine, openKey, "(default)", "REG_SZ", Code("&Open"));
        table.Add(step, "write", Machine, JoinedKey(openKey.c_str(), ShellCommandKey), "(default)", "REG_SZ",
                  Code(OpenCommand(prefix, *type)));
    }
    const std::string left = "registry page left";
    table.Add(left, "write", Machine, uninstallKey, DisplayNameValue, "REG_SZ", Code(UninstallDisplayName));
    table.Add(left, "write", Machine, uninstallKey, UninstallStringValue, "REG_SZ",
              Code(Quoted(Destination, UninstallerName)));
    table.Add(left, "write", Machine, uninstallKey, QuietUninstallStringValue, "REG_SZ",
              Code(Quoted(Destination, UninstallerName) + UninstallerSwitch) + " (removes without asking)");
    table.Add(left, "write", Machine, uninstallKey, InstallLocationValue, "REG_SZ", Code(Destination));
    table.Add(left, "write", Machine, uninstallKey, DisplayIconValue, "REG_SZ",
              Code(Join(Destination, MainProgramName)));
    table.Add(left, "write", Machine, uninstallKey, PublisherValue, "REG_SZ", Code(UninstallPublisher));
    table.Add(left, "write", Machine, uninstallKey, DisplayVersionValue, "REG_SZ", Code(UninstallDisplayVersion));
    table.Add(left, "write", Machine, uninstallKey, EstimatedSizeValue, "REG_DWORD",
              Code(std::to_string(InstalledSizeKb(Descriptor.Files, 9, true, true))) +
                  " (kilobytes: the file sizes, each rounded up to whole sectors of the destination's drive; here 512 "
                  "bytes)");
    table.Add(left, "write", Machine, ProductKey, "(default)", "REG_SZ", Code(ProductIdentity));
    for (const char* value : PendingOperationsValues)
        table.Add("finishing", "read, rewrite or delete", Machine, SessionManagerKey, value, "REG_MULTI_SZ",
                  "the boot-time file operations, less those on the new installation (see Removed)");
    const std::string component = JoinedKey(ActiveSetupKey, ActiveSetupId);
    const std::string eachUser = "unattended, with `/ALLUSERS` or as a service account";
    const std::string program = Quoted(Destination, UserStepProgram);
    table.Add(eachUser, "write", Machine, component, "(default)", "REG_SZ", Code(ProductTitle));
    table.Add(eachUser, "write", Machine, component, ComponentVersionValue, "REG_SZ", Code(ActiveSetupVersion));
    table.Add(eachUser, "write", Machine, component, StubPathValue, "REG_SZ",
              Code(program + " /USERSTEP") + ", and `\"/LIB=<library>\"` after it when `KOVAWIN_LIB` was set");
    table.Add(eachUser, "write", Machine, component, IsInstalledValue, "REG_DWORD", Code("1"));
    out << "\n";
}

void ProgramGroupSection(std::ostream& out, const std::string& prefix)
{
    const char* group = ProgramGroupName(&Descriptor);
    out << "## Program group\n\n"
           "The icons page asks Program Manager's DDE server (service and topic `PROGMAN`) for its groups, and for "
           "the items of `"
        << group
        << "` when that group exists, then sends one command. The shell that answers makes the group a folder `"
        << group << "` in the Start menu's Programs folder, each item a link named after its title.\n\n";
    Row(out, {"Group", "Item", "Runs"});
    Row(out, {"---", "---", "---"});
    for (ProgramItemRow* item = ProductProgramItems; item->ComponentKey != 0; ++item)
        if (item->Selected)
            Row(out, {Code(group), Code(item->ItemTitle),
                      Code(item->InDestination ? prefix + item->ItemFile : item->ItemFile)});
    char commands[8192];
    ComposeCommands(&Descriptor, prefix.c_str(), 0, false, commands, sizeof commands);
    out << "\nThe command of a first installation:\n\n" << Fenced(commands);
    for (ProgramItemRow* item = ProductProgramItems; item->ComponentKey != 0; ++item)
        item->DeleteFirst = 1;
    ComposeCommands(&Descriptor, prefix.c_str(), 1, false, commands, sizeof commands);
    out << "When the group exists and holds items of these titles (in any letter case), it is shown and each of "
           "them is deleted before it is added again; its other items stay:\n\n"
        << Fenced(commands)
        << "In an unattended run where no Program Manager answers at all (a service account's session has no "
           "desktop), the same items are written as shortcut files `<item>.lnk` into `"
        << group
        << "` in the all-users Programs folder, each started in its target's folder with its target's icon; an "
           "existing one of the same name is replaced. The wizard shows the error page instead.\n";
}

void UserConfigSection(std::ostream& out, const std::string& merged)
{
    const std::string userDir = std::string("%UserProfile%\\") + UserConfigFolder;
    out << "## The user's configuration\n\n"
           "In the finishing step, for the installing user:\n\n"
           "- "
        << Code(userDir) << ": created when missing (a message says so when it cannot be).\n- "
        << Code(Join(userDir.c_str(), ServerConfigName)) << ": a copy of "
        << Code(Join(Destination, ServerConfigName))
        << ", made only when the user has none; an existing copy is left as it is.\n"
           "- When the environment variable `KOVAWIN_LIB` is set (even to nothing), the library server is pointed "
           "at that folder: the user's copy is merged into "
        << Code(Join("%TEMP%", ServerConfigName))
        << ", the command interpreter copies that over the user's copy (see Programs started), and the file in "
           "`%TEMP%` is deleted. The merge drops empty lines and every `ServerComment` and `LibraryPath` line, "
           "active or commented out, and ends the file with these two settings, `\\` in the folder made `/`.\n\n"
           "With `KOVAWIN_LIB="
        << LibraryExample << "`, the shipped file becomes:\n\n"
        << Fenced(merged)
        << "An unattended run with `/ALLUSERS`, or under one of the system's own accounts (a deployment system's "
           "service, whose profile no user has), also gives every user this at their next logon: it writes the "
           "logon program it carries to "
        << Code(Join(Destination, UserStepProgram))
        << " (a small program of its own, without the payload, whose manifest asks for no elevation) and "
           "registers the machine's Active Setup component (Registry, last rows). At each user's next logon "
           "Windows runs it, hidden, once, with that user's own rights: the same steps as above for that user, "
           "with the library given at installation (an existing copy of the user's is merged, never replaced), "
           "except that it puts the merged file in place itself and starts no program. Once `<destination>` "
           "no longer holds "
        << Code(MainProgramName) << " and " << Code(ServerConfigName) << " it does nothing.\n\n";
}

void RemovedSection(std::ostream& out)
{
    out << "## Removed\n\n"
           "- The earlier installation, when the user chose to replace it: with `"
        << Join(Destination, UninstallerName)
        << "` present, that uninstaller runs (see Programs started) and the uninstall entries of the earlier "
           "releases are deleted (see Registry); without it, every file directly in `<destination>` is deleted "
           "(folders in it and their contents stay).\n"
           "- The compressed copies written during the copy.\n"
           "- Files of older releases, after the copy (missing ones are skipped): ";
    std::vector<std::string> names;
    for (const char* name : ObsoleteFiles)
        names.push_back(Code(Join(Destination, name)));
    out << Listed(names, "and") << ".\n- Boot-time file operations: from `" << PendingOperationsValues[0]
        << "` and `" << PendingOperationsValues[1] << "`, each pair whose source names ";
    names.clear();
    for (const char* name : CancelledNames)
        names.push_back(Code(NativePathPrefix + Join(Destination, name)));
    out << Listed(names, "or")
        << " (after any marker before the `" << NativePathPrefix
        << "`, as in `*1\\??\\C:\\...`), compared by their short names, so any spelling of an existing file "
           "matches. An earlier uninstaller leaves these to delete itself and its folder at the next restart, "
           "which would take the new installation with them. A value is written back only when a pair was "
           "removed, and deleted when no pair is left in it.\n\n";
}

void ProgramsSection(std::ostream& out)
{
    const std::string userDir = std::string("%UserProfile%\\") + UserConfigFolder;
    out << "## Programs started\n\n";
    Row(out, {"When", "Program", "Command", "How"});
    Row(out, {"---", "---", "---", "---"});
    Row(out, {"leaving the replace page, with " + Code(Join(Destination, UninstallerName)),
              "the earlier uninstaller", Code(Quoted(Destination, UninstallerName) + UninstallerSwitch),
              "without a window, in a job of its own; the copy waits until it and every program it started have "
                  "ended (at most " +
                  std::to_string(UninstallerWaitMs / 1000) + " s)"});
    Row(out, {"finishing, with `KOVAWIN_LIB` set", "the system's command interpreter",
              Code("cmd.exe " + CopyBack("%TEMP%", userDir)),
              "hidden, through the shell's `OPEN` verb, from the system folder; waited for"});
    Row(out, {"Finish with the reader box ticked (offered only when the file exists)", "the PDF reader's installer",
              Code(ReaderInstaller), "relative to the setup's current folder; the setup then ends"});
    Row(out, {"the window closing after the last page, the reader box not ticked", "the getting-started document",
              Code(Join(Destination, GuideDocumentName)),
              "opened by the desktop's shell, as the logged-on user (by the setup's own shell when that fails)"});
}

}  // namespace

bool ChangesDocument(const std::vector<PackRow>& rows, std::string& text, std::string& error)
{
    // The descriptor as ConfigureInstallation fills it, over this payload.
    std::vector<FileEntry> files(rows.size() + 1, FileEntry{});
    for (size_t i = 0; i < rows.size(); ++i) {
        files[i].ComponentKey = 1;
        files[i].Name = rows[i].Name.c_str();
        files[i].Size = rows[i].Size;
        files[i].Crc = rows[i].Crc;
    }
    std::string shipped;
    for (const LongFileName& longName : ProductLongNames) {
        if (size_t(longName.Row) >= rows.size())
            continue;
        files[longName.Row].Name = longName.Name;
        if (std::string(longName.Name) == ServerConfigName)
            shipped = rows[longName.Row].Source;
    }
    Descriptor = InstallDescriptor{};
    Descriptor.Files = files.data();
    Descriptor.RegistryEntries = ProductRegistryEntries;
    Descriptor.Directories = ProductDirectories;
    Descriptor.ProgramItems = ProductProgramItems;
    Descriptor.FileTypes = ProductFileTypes;
    // Both components, as the product chooses them.
    SelectComponent(&Descriptor, 1, 1);
    SelectComponent(&Descriptor, 2, 1);

    std::string merged;
    if (shipped.empty()) {
        error = std::string("the payload has no ") + ServerConfigName;
        return false;
    }
    if (!MergedExample(shipped, merged, error))
        return false;

    char prefix[300];
    MakeDestinationPrefix(Destination, prefix, sizeof prefix);
    std::ostringstream out;
    Introduction(out);
    FilesSection(out, files.data());
    RegistrySection(out, prefix);
    ProgramGroupSection(out, prefix);
    UserConfigSection(out, merged);
    RemovedSection(out);
    ProgramsSection(out);
    text = out.str();
    return true;
}

std::string FirstDifference(const std::string& expected, const std::string& actual, const std::string& actualName)
{
    std::istringstream want(expected);
    std::istringstream got(actual);
    for (int line = 1;; ++line) {
        std::string a, b;
        bool moreWanted = static_cast<bool>(std::getline(want, a));
        bool moreGot = static_cast<bool>(std::getline(got, b));
        if (!moreWanted && !moreGot)
            return std::string();
        if (moreWanted != moreGot || a != b)
            return actualName + ":" + std::to_string(line) + ": differs from what the tables give\n  expected: " +
                   (moreWanted ? a : "(end of file)") + "\n  actual:   " + (moreGot ? b : "(end of file)") + "\n";
    }
}
