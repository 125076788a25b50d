#include "core/pending_ops.h"

#include <cstring>
#include <string>

#include "core/ascii.h"
const char NativePathPrefix[] = "\\??\\";

namespace {

const size_t ShortPathCapacity = 260;

// The Win32 path after the native prefix "\??\", wherever the prefix stands:
// older systems write it first, current ones put a marker before it
// ("*1\??\C:\..."). Null when there is no prefix.
template <typename Char>
const Char* AfterNativePrefix(const Char* nativePath)
{
    for (const Char* at = nativePath; at[0]; ++at) {
        if (at[0] == '\\' && at[1] == '?' && at[2] == '?' && at[3] == '\\')
            return at + 4;
    }
    return nullptr;
}

// The short form of the Win32 path in a native path, when it names something.
template <typename Char>
bool ShortFormOf(const Char* nativePath, ShortPathLookupOf<Char> lookup, void* context, Char* out)
{
    const Char* path = AfterNativePrefix(nativePath);
    if (!path || !path[0])
        return false;
    return lookup(path, out, ShortPathCapacity, context);
}

// The end of the NUL-terminated string at `from`, or null when no NUL comes before `end`.
template <typename Char>
const Char* StringEnd(const Char* from, const Char* end)
{
    return std::char_traits<Char>::find(from, static_cast<size_t>(end - from), Char(0));
}

}  // namespace

template <typename Char>
size_t FilterPendingOperations(const Char* data, size_t count, const Char* path,
                               ShortPathLookupOf<Char> lookup, void* context, Char* out)
{
    Char wanted[ShortPathCapacity];
    Char candidate[ShortPathCapacity];
    bool haveWanted = ShortFormOf(path, lookup, context, wanted);
    const Char* end = data + count;
    const Char* at = data;
    size_t kept = 0;
    bool removed = false;
    while (at < end) {
        const Char* sourceEnd = StringEnd(at, end);
        if (!sourceEnd || sourceEnd + 1 >= end)
            break;
        const Char* target = sourceEnd + 1;
        const Char* targetEnd = StringEnd(target, end);
        if (!targetEnd)
            break;
        const Char* next = targetEnd + 1;
        if (haveWanted && ShortFormOf(at, lookup, context, candidate) && EqualIgnoringCase(wanted, candidate)) {
            removed = true;
        } else {
            std::memcpy(out + kept, at, static_cast<size_t>(next - at) * sizeof(Char));
            kept += static_cast<size_t>(next - at);
        }
        at = next;
    }
    if (!removed)
        return 0;
    out[kept] = Char(0);
    return kept + 1;
}

template size_t FilterPendingOperations<char>(const char*, size_t, const char*, ShortPathLookupOf<char>, void*,
                                              char*);
template size_t FilterPendingOperations<wchar_t>(const wchar_t*, size_t, const wchar_t*,
                                                 ShortPathLookupOf<wchar_t>, void*, wchar_t*);
