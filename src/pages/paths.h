// The destination directory and the path and disk-space helpers around it.
#pragma once
#include <cstdint>

#include "core/space.h"

extern char DestinationDir[260];
extern char SharedFilesDir[260];
extern char LastDriveLetter;
// The allocation unit of the destination's drive as a power of two, as last
// measured (9: 512 bytes until then).
extern int AllocationShift;

const char* GetDestinationDir();
// SharedFilesDir when set and on the destination's drive letter (case-insensitive), else null.
const char* SharedFilesDirOnDestinationDrive();
void SetDestinationDir(const char* path);
void SetSharedFilesDir(const char* path);
void SetDefaultDestination(const char* folder);
void SetDefaultSharedFilesDir(const char* subfolder, const char* name);

bool IsDirectory(const char* path);
bool IsExistingFile(const char* path);
// Makes `path` and every missing folder above it; the first of them made
// gets `firstMade` (its descriptor), the rest inherit from it.
bool CreateDirectoryPath(const char* path, struct _SECURITY_ATTRIBUTES* firstMade = nullptr);
// True when `dir` lies in the system's program-files folder (the registry's
// ProgramFilesDir of this program's view, or ProgramW6432's, the 64-bit one).
bool IsInProgramFiles(const char* dir);
