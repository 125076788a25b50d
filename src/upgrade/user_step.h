// Each user's configuration when nobody was at the screen: an installation
// under the system's own account (a deployment system's service) has no
// user whose profile could get the server configuration. The machine's
// Active Setup component makes Windows run the user part of the finishing
// step once for each user, at that user's next logon.
#pragma once

struct InstallSession;

// True when the installer runs as one of the system's own accounts
// (LocalSystem, LocalService, NetworkService).
bool RunsAsServiceAccount();

// Puts a copy of this setup.exe into the destination and registers the
// Active Setup component that runs it at each user's next logon with the
// library directory given now. 1 when both are in place.
int RegisterUserStep(InstallSession* session);

// The logon step (/USERSTEP): the user part of the finishing step for the
// user logging on, into the destination this program lies in, with the
// library `libraryDir` (null: none was given at installation).
void RunUserStep(InstallSession* session, const char* libraryDir);
