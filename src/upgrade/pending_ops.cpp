#include "upgrade/pending_ops.h"

#include <cstring>

namespace {

const size_t ShortPathCapacity = 260;
const size_t NativePrefixLength = 4;

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b))
            return false;
    }
    return *a == *b;
}

// The short form of a native path less its prefix, when it has more than the prefix.
bool ShortFormOf(const char* nativePath, ShortPathLookup lookup, void* context, char* out)
{
    if (std::strlen(nativePath) <= NativePrefixLength)
        return false;
    return lookup(nativePath + NativePrefixLength, out, ShortPathCapacity, context);
}

// The end of the NUL-terminated string at `from`, or null when no NUL comes before `end`.
const char* StringEnd(const char* from, const char* end)
{
    return static_cast<const char*>(std::memchr(from, '\0', static_cast<size_t>(end - from)));
}

}  // namespace

size_t FilterPendingOperations(const char* data, size_t size, const char* path,
                               ShortPathLookup lookup, void* context, char* out)
{
    char wanted[ShortPathCapacity];
    char candidate[ShortPathCapacity];
    bool haveWanted = ShortFormOf(path, lookup, context, wanted);
    const char* end = data + size;
    const char* at = data;
    size_t kept = 0;
    bool removed = false;
    while (at < end) {
        const char* sourceEnd = StringEnd(at, end);
        if (!sourceEnd || sourceEnd + 1 >= end)
            break;
        const char* target = sourceEnd + 1;
        const char* targetEnd = StringEnd(target, end);
        if (!targetEnd)
            break;
        const char* next = targetEnd + 1;
        if (haveWanted && ShortFormOf(at, lookup, context, candidate) && EqualIgnoringCase(wanted, candidate)) {
            removed = true;
        } else {
            std::memcpy(out + kept, at, static_cast<size_t>(next - at));
            kept += static_cast<size_t>(next - at);
        }
        at = next;
    }
    if (!removed)
        return 0;
    out[kept] = '\0';
    return kept + 1;
}
