// What the installation steps (copy, registry, program group, finishing,
// the decisions taken when a page is left) work on and report to. The
// steps never drive a window or a message box themselves: they hold an
// InstallSession and tell its host, which is either the wizard (pages,
// message boxes, the stop question) or the unattended runner (nobody to
// ask, nothing shown).
#pragma once
#include <windows.h>
#include <cstdint>

#include "core/descriptor.h"

// The lines the copy shows while it works.
enum HostStatusLine {
    StatusFile = 0,
    StatusStep = 1,
    StatusDisk = 2
};

class SetupHost {
public:
    // The copy's current file, step or disk.
    virtual void Status(int line, const char* text) = 0;
    // The copy's bytes done so far, of its total.
    virtual void Progress(uint32_t done, uint32_t total) = 0;
    // A yes/no question (caption "Install"); `proposed` is the answer taken
    // when nobody is there to ask.
    virtual bool Ask(const char* text, bool proposed) = 0;
    // A pause that only paces the work for the eye; none without a window.
    virtual void Pace(DWORD ms) = 0;
    // A message that does not stop the installation; a null caption is the
    // system's default one.
    virtual void Tell(const char* caption, const char* text) = 0;
    // True once the user has asked for the work to stop and confirmed it.
    virtual bool StopConfirmed() = 0;
    // Waits for `object` at most `limitMs`; false when the user asked to
    // stop meanwhile (the stop is then left for whoever runs the host).
    virtual bool Wait(HANDLE object, DWORD limitMs) = 0;
    // The program group's conversation has ended: 0 made, else the error
    // code; `noServer` when no Program Manager answered at all.
    virtual void GroupStepEnded(int errorCode, bool noServer) = 0;

protected:
    ~SetupHost() = default;
};

// One installation as the steps see it.
struct InstallSession {
    InstallDescriptor* Descriptor;
    char* DestinationDir;   // the chosen directory (MAX_PATH characters)
    int UseFontsFolder;     // the system decision: fonts go to Fonts, else to SYSTEM
    SetupHost* Host;
};

// The session of this process's run, over the process-wide installation
// state (the descriptor, DestinationDir, the system decision), reported to
// `host`.
InstallSession* CurrentSession();
void SetSessionHost(SetupHost* host);

// The wizard's host; the frame's pages use it.
SetupHost* WizardHost();
