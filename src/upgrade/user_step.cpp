#include "upgrade/user_step.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

#include "core/product_tables.h"
#include "core/server_config.h"
#include "core/text_format.h"
#include "frame/host.h"
#include "frame/setup_log.h"
#include "pages/pages.h"
#include "register/reg_layer.h"
#include "upgrade/finishing.h"
#include "upgrade/upgrade.h"

bool RunsAsServiceAccount()
{
    HANDLE token = nullptr;
    BYTE buffer[256];
    DWORD size = 0;
    bool service = false;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    if (GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size)) {
        PSID user = reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid;
        service = IsWellKnownSid(user, WinLocalSystemSid) || IsWellKnownSid(user, WinLocalServiceSid) ||
                  IsWellKnownSid(user, WinNetworkServiceSid);
    }
    CloseHandle(token);
    return service;
}

int RegisterUserStep(InstallSession* session)
{
    char self[MAX_PATH];
    char program[MAX_PATH];
    char keyPath[MAX_PATH];
    char stubPath[3 * MAX_PATH];
    HKEY key = nullptr;
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    if (length == 0 || length >= MAX_PATH || !JoinPath(program, sizeof program, session->DestinationDir, UserStepProgram) ||
        !JoinKey(keyPath, sizeof keyPath, ActiveSetupKey, ActiveSetupId))
        return 0;
    if (!CopyFileA(self, program, FALSE)) {
        LogLine("each user's step: could not copy the setup to %s", program);
        return 0;
    }
    LogLine("each user's step: copied the setup to %s", program);
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

void RunUserStep(InstallSession* session, const char* libraryDir)
{
    SetLibraryEnvironment(libraryDir);
    LogLine("each user's step: for %s, library %s", session->DestinationDir, libraryDir ? libraryDir : "(none)");
    GiveUserConfiguration(session);
}
