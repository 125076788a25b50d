// The registry page and its writer: the descriptor's registry rows, the
// shared-files registration, the file types and the uninstall rows, in one
// synchronous pass.
#pragma once
#include <windows.h>

#include "core/descriptor.h"
#include "frame/host.h"
#include "register/reg_layer.h"

struct RegistryWriter {
    InstallSession* Session;   // the destination, and the host asked and reported to
    int ErrorCode;             // 0, or ErrRegistry / ErrAborted after a failure
    const char* ErrorArg;      // always none for this step
    const InstallDescriptor* Install; // the descriptor the pass walks
};

// The writer of the registry page now shown, or null.
extern RegistryWriter* CurrentRegistryWriter;

enum {
    RegistryDoneTimer = 1,
    RegistryDoneDelayMs = 400
};

// RegistryPageProc is declared with the other page procedures (frame/wizard.h).
int WriteRegistry(RegistryWriter* writer);
int RegisterSharedFiles(RegistryWriter* writer);
int RegisterAppPath(RegistryWriter* writer, const char* fileName);
int RegisterFileType(RegistryWriter* writer, const FileTypeRow* row, const char* prefix);
int WriteUninstallRows(RegistryWriter* writer, const char* prefix);
