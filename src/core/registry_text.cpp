#include "core/registry_text.h"

#include "core/registry_names.h"
#include "core/text_format.h"

namespace {

// The whole text, or an empty one.
bool Fits(bool fitted, char* out, size_t size)
{
    if (fitted)
        return true;
    if (size)
        out[0] = '\0';
    return false;
}

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

} // namespace

bool FileTypeClassName(const FileTypeRow* row, char* out, size_t size)
{
    return Fits(FormatText(out, size, "%s%s", row->Extension, FileTypeClassSuffix), out, size);
}

bool FileTypeIcon(const FileTypeRow* row, const char* prefix, char* out, size_t size)
{
    return Fits(FormatText(out, size, "%s%s,-%d", prefix, OrEmpty(row->IconFile), int(row->IconId)), out, size);
}

bool FileTypeOpenCommand(const FileTypeRow* row, const char* prefix, char* out, size_t size)
{
    return Fits(FormatText(out, size, "\"%s%s\" \"%%1\"", prefix, OrEmpty(row->OpenProgram)), out, size);
}
