// Bounded path building: platform-free. Every path built from a directory
// and a name follows one rule: one '\' between them, none added after a
// directory that already ends in one (a drive's root, "D:\").
#include "core/path_join.h"

#include <cstdio>
#include <cstring>

#include "core/product_tables.h"
#include "core/text_format.h"

namespace {

const char* SeparatorAfter(const char* dir)
{
    size_t length = std::strlen(dir);
    return (length == 0 || dir[length - 1] == '\\') ? "" : "\\";
}

} // namespace

bool JoinPath(char* out, size_t outSize, const char* dir, const char* name)
{
    return FormatWhole(out, outSize, "%s%s%s", dir, name[0] ? SeparatorAfter(dir) : "", name);
}

int MakeDestinationPrefix(const char* dir, char* out, int outSize)
{
    if (outSize <= 0)
        return 0;
    if (!dir)
        dir = "";
    return FormatWhole(out, size_t(outSize), "%s%s", dir, SeparatorAfter(dir)) ? 1 : 0;
}

bool QuotedPath(char* out, size_t outSize, const char* dir, const char* name)
{
    // The shell cannot open a path that exceeds 259 characters, so a longer
    // one is refused rather than cut.
    if (outSize == 0)
        return false;
    out[0] = '\0';
    char path[260];
    if (!JoinPath(path, sizeof path, dir, name))
        return false;
    return FormatWhole(out, outSize, "\"%s\"", path);
}

bool BuildGuideCommand(char* out, size_t outSize, const char* dir)
{
    return QuotedPath(out, outSize, dir, GuideDocumentName);
}
