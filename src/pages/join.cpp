// Bounded path building: platform-free.
#include <cstdio>

#include "frame/product_tables.h"
#include "pages/pages.h"

namespace {

bool Fits(int written, size_t outSize)
{
    return written >= 0 && size_t(written) < outSize;
}

} // namespace

bool JoinPath(char* out, size_t outSize, const char* dir, const char* name)
{
    if (outSize == 0)
        return false;
    if (Fits(std::snprintf(out, outSize, "%s\\%s", dir, name), outSize))
        return true;
    out[0] = '\0';
    return false;
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
    if (Fits(std::snprintf(out, outSize, "\"%s\"", path), outSize))
        return true;
    out[0] = '\0';
    return false;
}

bool BuildGuideCommand(char* out, size_t outSize, const char* dir)
{
    return QuotedPath(out, outSize, dir, GuideDocumentName);
}
