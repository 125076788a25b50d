#include "core/registry_text.h"

#include "core/registry_names.h"
#include "core/text_format.h"

namespace {

const char* OrEmpty(const char* text)
{
    return text ? text : "";
}

} // namespace

bool FileTypeClassName(const FileTypeRow* row, char* out, size_t size)
{
    return FormatWhole(out, size, "%s%s", row->Extension, FileTypeClassSuffix);
}

bool FileTypeIcon(const FileTypeRow* row, const char* prefix, char* out, size_t size)
{
    return FormatWhole(out, size, "%s%s,-%d", prefix, OrEmpty(row->IconFile), int(row->IconId));
}

bool FileTypeOpenCommand(const FileTypeRow* row, const char* prefix, char* out, size_t size)
{
    return FormatWhole(out, size, "\"%s%s\" \"%%1\"", prefix, OrEmpty(row->OpenProgram));
}
