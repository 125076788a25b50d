// The walk of PendingFileRenameOperations data: NUL-terminated strings taken
// two at a time (source, then target; empty target = delete), closed by one
// more empty string. Platform-free: the short-name lookup is handed in. The
// walk works on 8-bit or wide units alike; the installer reads and writes the
// value in wide characters, so that other programs' entries come back unit
// for unit whatever their language.
#pragma once
#include <cstddef>

// What the system puts before a Win32 path in these data: "\??\".
extern const char NativePathPrefix[];

// Writes the short form of `longPath` into `shortPath` (capacity `capacity`
// units); false when the path names nothing that exists.
template <typename Char>
using ShortPathLookupOf = bool (*)(const Char* longPath, Char* shortPath, size_t capacity, void* context);
typedef ShortPathLookupOf<char> ShortPathLookup;

// Copies every complete pair of `data` (count units) to `out` (capacity at
// least count) except those whose source names the same file as `path`: the
// Win32 paths after the native prefix "\??\" (wherever it stands in the
// string, since current systems write "*1\??\C:\...") have the same short
// form, ignoring the case of ASCII letters. When a pair was dropped the closing
// empty string is appended and the length to write back (in units) is
// returned; 0 means nothing was dropped. An incomplete last pair is neither
// matched nor kept. Instantiated for char and wchar_t.
template <typename Char>
size_t FilterPendingOperations(const Char* data, size_t count, const Char* path,
                               ShortPathLookupOf<Char> lookup, void* context, Char* out);
