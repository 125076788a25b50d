// The command line deployment systems start the installer with, and the
// exit codes they read back. Platform-free.
//
//   /S           unattended: no window, nobody asked, every decision as the
//                wizard proposes it
//   /D=dir       the destination; the last argument, running to the end of
//                the line, blanks and all, unquoted; or "/D=dir" quoted
//                whole, anywhere. A destination that holds a switch as a
//                word after a blank (/D=C:\Apps /S) is refused as ambiguous
//                (its /S still keeps the refusal silent)
//   /LOG=file    a log of the run (quoted when it has blanks)
//   /ALLUSERS    with /S: every user gets the configuration at the next logon
//                (as when the installing account is the system's own)
//   /USERSTEP    that logon step itself, run by Windows for each user;
//                /LIB=dir is the library directory the installation was given
#pragma once

const int CommandLinePathSize = 260;

struct CommandLine {
    int Unattended;                        // /S
    int DestinationGiven;                  // /D=
    char Destination[CommandLinePathSize];
    int LogGiven;                          // /LOG=
    char LogFile[CommandLinePathSize];
    int AllUsers;                          // /ALLUSERS
    int UserStep;                          // /USERSTEP
    int LibraryGiven;                      // /LIB=
    char Library[CommandLinePathSize];
    char Error[CommandLinePathSize];       // why the line was refused, for the log
};

// Reads the arguments (the command line without the program's own name).
// False, with Error set, for an unknown switch, a switch given twice, a
// switch without its value or a value too long: nothing may be installed then.
bool ParseCommandLine(const char* arguments, CommandLine* out);

// The switches, for the message shown for a line that was refused.
extern const char CommandLineUsage[];

// Exit codes, the same for wizard and unattended runs. Windows Installer's
// numbers where the meaning is the same, so that deployment systems map
// them as they already do; the others are this installer's own.
enum SetupExitCode {
    ExitInstalled = 0,
    ExitProductRunning = 11,       // close the product, then try again
    ExitDestinationUnusable = 12,  // cannot be made, too long, or the payload does not fit
    ExitSystemUnsupported = 13,
    ExitGroupNotCreated = 14,      // installed, but without its program group
    ExitUserStopped = 1602,
    ExitFailed = 1603,
    ExitAnotherSetupRunning = 1618,
    ExitBadCommandLine = 1639
};

// The reason an exit code stands for, for the log.
const char* ExitReason(int exitCode);
