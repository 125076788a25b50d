// What the registry writer composes for a file type: its class name, its
// icon and its open command. Platform-free, so that the list of every
// change the installer makes is written with the writer's own rules.
#pragma once
#include <cstddef>

#include "core/descriptor.h"

// Each writes into `out` and returns false, with `out` empty, when the
// result does not fit `size` bytes. `prefix` is the destination ending in '\'.

// The class of the extension: "kvx" gives "kvxfile".
bool FileTypeClassName(const FileTypeRow* row, char* out, size_t size);
// The icon resource in the installed file: "<prefix><file>,-<id>".
bool FileTypeIcon(const FileTypeRow* row, const char* prefix, char* out, size_t size);
// The program path in quotes: unquoted, a destination with a blank would
// make the shell try C:\Program.exe first.
bool FileTypeOpenCommand(const FileTypeRow* row, const char* prefix, char* out, size_t size);
