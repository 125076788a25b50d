// Bounded path building. Every path built from a directory and a name
// follows one rule: one '\' between them, none added after a directory that
// already ends in one (a drive's root, "D:\").
#pragma once
#include <cstddef>

// dir + '\' + name into out, with no '\' added after a dir that ends in one
// (a drive's root) and none for an empty name (dir alone); false (out
// emptied) when it would not fit.
bool JoinPath(char* out, size_t outSize, const char* dir, const char* name);

// dir with exactly one '\' at its end (an empty dir stays empty), to put
// names after; 0 (out emptied) when it would not fit.
int MakeDestinationPrefix(const char* dir, char* out, int outSize);

// dir + '\' + name in double quotes, for a command line; false (out emptied)
// when the path itself would not fit a Windows path.
bool QuotedPath(char* out, size_t outSize, const char* dir, const char* name);

// The quoted getting-started document path for the shell; false when the
// document's path would be longer than a Windows path can be.
bool BuildGuideCommand(char* out, size_t outSize, const char* dir);
