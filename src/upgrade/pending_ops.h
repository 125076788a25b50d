// The walk of PendingFileRenameOperations data: NUL-terminated strings taken
// two at a time (source, then target; empty target = delete), closed by one
// more empty string. Platform-free: the short-name lookup is handed in.
#pragma once
#include <cstddef>

// Writes the short form of `longPath` into `shortPath` (capacity `capacity`);
// false when the path names nothing that exists.
typedef bool (*ShortPathLookup)(const char* longPath, char* shortPath, size_t capacity, void* context);

// Copies every complete pair of `data` (size bytes) to `out` (capacity at
// least size) except those whose source, less its first 4 characters ("\??\"),
// has the same short form as `path` less its first 4 characters, ignoring
// case. When a pair was dropped the closing empty string is appended and the
// length to write back is returned; 0 means nothing was dropped. An
// incomplete last pair is neither matched nor kept.
size_t FilterPendingOperations(const char* data, size_t size, const char* path,
                               ShortPathLookup lookup, void* context, char* out);
