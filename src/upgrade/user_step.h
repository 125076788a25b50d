// Each user's configuration when nobody was at the screen: an installation
// under the system's own account (a deployment system's service) has no
// user whose profile could get the server configuration. The machine's
// Active Setup component makes Windows run the user part of the finishing
// step once for each user, at that user's next logon.
#pragma once

struct InstallSession;

// Writes the logon program that setup.exe carries (kovauser.exe: small, no
// payload, asking for no elevation, since Windows runs it with the user's
// own rights) into the destination and registers the Active Setup
// component that runs it at each user's next logon with the library
// directory given now. 1 when both are in place.
int RegisterUserStep(InstallSession* session);

// True when `dir` still holds the product (its main program and its server
// configuration): the logon program does nothing once they are gone.
bool HoldsProduct(const char* dir);

// The logon step (/USERSTEP): the user part of the finishing step for the
// user logging on, into the destination the logon program lies in, with the
// library `libraryDir` (null: none was given at installation). It starts no
// other program.
void RunUserStep(InstallSession* session, const char* libraryDir);
