#include "upgrade/user_step.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "core/product_tables.h"
#include "core/server_config.h"
#include "core/text_format.h"
#include "frame/resource_ids.h"
#include "frame/host.h"
#include "frame/setup_log.h"
#include "pages/pages.h"
#include "pages/paths.h"
#include "payload/copy_engine.h"
#include "register/reg_layer.h"
#include "upgrade/finishing.h"
#include "upgrade/upgrade.h"

namespace {

// Writes the logon program that setup.exe carries to `path`, replacing an
// earlier one.
bool WriteLogonProgram(const char* path)
{
    uint32_t size = 0;
    HGLOBAL loaded = LoadPayloadChunk(IDR_LOGON_PROGRAM, &size);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes || size == 0)
        return false;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
    ok = CloseHandle(file) && ok;
    if (!ok)
        DeleteFileA(path);
    return ok;
}

// Each user's step puts the merged file in place itself: it starts nothing.
HANDLE CopyBackDirectly(const char* mergedFile, const char* userDir)
{
    char target[MAX_PATH];
    if (JoinPath(target, sizeof target, userDir, ServerConfigName) && CopyFileA(mergedFile, target, FALSE))
        LogLine("each user's step: copied the merged file back over the user's copy");
    return nullptr;
}

}  // namespace

int RegisterUserStep(InstallSession* session)
{
    char program[MAX_PATH];
    char keyPath[MAX_PATH];
    char stubPath[3 * MAX_PATH];
    HKEY key = nullptr;
    if (!JoinPath(program, sizeof program, session->DestinationDir, UserStepProgram) ||
        !JoinKey(keyPath, sizeof keyPath, ActiveSetupKey, ActiveSetupId))
        return 0;
    if (!WriteLogonProgram(program)) {
        LogLine("each user's step: could not write %s", program);
        return 0;
    }
    LogLine("each user's step: wrote %s", program);
    // Quoted, by its full path: Windows runs it for every user who logs on.
    bool written = LibraryEnvironment.LibraryDirGiven
                       ? FormatText(stubPath, sizeof stubPath, "\"%s\" /USERSTEP \"/LIB=%s\"", program,
                                    LibraryEnvironment.LibraryDir)
                       : FormatText(stubPath, sizeof stubPath, "\"%s\" /USERSTEP", program);
    if (!written)
        return 0;
    if (CreateRegKey(HKEY_LOCAL_MACHINE, keyPath, &key) != ERROR_SUCCESS) {
        LogLine("registry: could not create %s", keyPath);
        return 0;
    }
    bool ok = WriteRegText(key, keyPath, nullptr, ProductTitle) &&
              WriteRegText(key, keyPath, ComponentVersionValue, ActiveSetupVersion) &&
              WriteRegText(key, keyPath, StubPathValue, stubPath) &&
              WriteRegNumber(key, nullptr, IsInstalledValue, 1);
    CloseRegKey(key);
    return ok ? 1 : 0;
}

bool HoldsProduct(const char* dir)
{
    char path[MAX_PATH];
    return JoinPath(path, sizeof path, dir, MainProgramName) && IsExistingFile(path) &&
           JoinPath(path, sizeof path, dir, ServerConfigName) && IsExistingFile(path);
}

void RunUserStep(InstallSession* session, const char* libraryDir)
{
    SetLibraryEnvironment(libraryDir);
    LogLine("each user's step: for %s, library %s", session->DestinationDir, libraryDir ? libraryDir : "(none)");
    GiveUserConfiguration(session, CopyBackDirectly);
}
