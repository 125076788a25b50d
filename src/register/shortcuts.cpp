#include "register/shortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "core/progman.h"
#include "core/text_format.h"
#include "frame/com_release.h"
#include "frame/frame.h"
#include "frame/host.h"
#include "frame/setup_log.h"
#include "frame/system_libraries.h"
#include "pages/pages.h"
#include "register/dde_client.h"

namespace {

// One shortcut: `link` to `target`, started in the target's folder, with the
// target's own icon; an existing shortcut of that name is replaced, as the
// DeleteItem before an AddItem replaces the item.
bool WriteShortcut(const char* link, const char* target)
{
    char workingDir[MAX_PATH];
    lstrcpynA(workingDir, target, MAX_PATH);
    char* slash = std::strrchr(workingDir, '\\');
    if (slash)
        *slash = '\0';
    IShellLinkA* shellLink = nullptr;
    IPersistFile* file = nullptr;
    wchar_t wideLink[MAX_PATH];
    bool ok = SUCCEEDED(SystemLibraries::ComCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                                           IID_IShellLinkA, reinterpret_cast<void**>(&shellLink))) &&
              SUCCEEDED(shellLink->SetPath(target)) && SUCCEEDED(shellLink->SetWorkingDirectory(workingDir)) &&
              SUCCEEDED(shellLink->SetIconLocation(target, 0)) &&
              SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
              MultiByteToWideChar(CP_ACP, 0, link, -1, wideLink, MAX_PATH) > 0 &&
              SUCCEEDED(file->Save(wideLink, TRUE));
    ReleaseCom(file);
    ReleaseCom(shellLink);
    return ok;
}

}  // namespace

int MakeGroupShortcuts(InstallSession* session)
{
    const InstallDescriptor* install = session->Descriptor;
    const char* group = ProgramGroupName(install);
    char programs[MAX_PATH];
    char folder[MAX_PATH];
    char prefix[MAX_PATH];
    int ok = 0;
    // The shell link objects work in the multithreaded apartment, which,
    // unlike a single-threaded one, makes no window: where the desktop does
    // not answer, making one would wait for it.
    HRESULT com = SystemLibraries::ComInitialize(COINIT_MULTITHREADED);
    if (!group || !SystemLibraries::SpecialFolderPath(nullptr, programs, CSIDL_COMMON_PROGRAMS, TRUE) ||
        !JoinPath(folder, sizeof folder, programs, group) ||
        !MakeDestinationPrefix(session->DestinationDir, prefix, sizeof prefix)) {
        LogLine("program group: no all-users Programs folder for the shortcut files");
        goto done;
    }
    CreateDirectoryA(folder, nullptr);
    ok = 1;
    for (const ItemToDeleteRow* row = install->ItemsToDelete; row && row->ComponentKey != 0; ++row) {
        char link[MAX_PATH];
        if (row->Selected && FormatText(link, sizeof link, "%s\\%s.lnk", folder, row->ItemTitle) &&
            DeleteFileA(link))
            LogLine("program group: deleted %s", link);
    }
    for (const ProgramItemRow* row = install->ProgramItems; row && row->ComponentKey != 0; ++row) {
        if (!row->Selected)
            continue;
        char link[MAX_PATH];
        char target[MAX_PATH];
        bool named = FormatText(link, sizeof link, "%s\\%s.lnk", folder, row->ItemTitle) &&
                     FormatText(target, sizeof target, "%s%s", row->InDestination ? prefix : "",
                                ItemFileFor(row, IsWindowsNt6()));
        if (named && WriteShortcut(link, target)) {
            LogLine("program group: shortcut %s -> %s", link, target);
        } else {
            LogLine("program group: could not write the shortcut %s", named ? link : row->ItemTitle);
            ok = 0;
        }
    }
done:
    if (SUCCEEDED(com))
        SystemLibraries::ComUninitialize();
    return ok;
}
