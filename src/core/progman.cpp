#include "core/progman.h"

#include <cstring>

#include "core/ascii.h"
#include "core/product_tables.h"

namespace {

// `a` (length `lengthA`, not terminated) against the whole of `b`.
bool SameTextIgnoringCase(const char* a, size_t lengthA, const char* b)
{
    return std::strlen(b) == lengthA && StartsWithIgnoringCase(a, b);
}

// Where the command text goes: what fits of it is written, its whole length
// is counted.
struct CommandText {
    char* Out;
    size_t Size;
    size_t Length;
};

void Append(CommandText* text, const char* piece)
{
    size_t length = piece ? std::strlen(piece) : 0;
    size_t room = text->Length + 1 < text->Size ? text->Size - 1 - text->Length : 0;
    if (length > 0 && room > 0)
        std::memcpy(text->Out + text->Length, piece, length < room ? length : room);
    text->Length += length;
}

void AppendCommand(CommandText* text, const char* open, const char* argument, const char* close)
{
    Append(text, open);
    Append(text, argument);
    Append(text, close);
}

} // namespace

const char* ItemFileFor(const ProgramItemRow* row, bool nt6)
{
    const char* title = row->ItemTitle ? row->ItemTitle : "";
    if (nt6 && SameTextIgnoringCase(title, std::strlen(title), HelpItemTitle))
        return HelpItemFileOnNt6;
    return row->ItemFile ? row->ItemFile : "";
}

const char* ProgramGroupName(const InstallDescriptor* descriptor)
{
    const ProgramItemRow* row = descriptor->ProgramItems;
    if (!row)
        return nullptr;
    while (row->ComponentKey != 0)
        ++row;
    return row->ItemTitle;
}

size_t ComposeCommands(const InstallDescriptor* descriptor, const char* prefix, int groupExists, bool nt6, char* out,
                       size_t outSize)
{
    CommandText text = {out, outSize, 0};
    const char* group = ProgramGroupName(descriptor);
    AppendCommand(&text, "[CreateGroup(\"", group, "\")]");
    if (groupExists)
        AppendCommand(&text, "[ShowGroup(", group, ",1)]");
    for (const ItemToDeleteRow* row = descriptor->ItemsToDelete; row && row->ComponentKey != 0; ++row)
        if (row->Selected)
            AppendCommand(&text, "[DeleteItem(", row->ItemTitle, ")]");
    for (const ProgramItemRow* row = descriptor->ProgramItems; row && row->ComponentKey != 0; ++row) {
        if (!row->Selected)
            continue;
        if (row->DeleteFirst)
            AppendCommand(&text, "[DeleteItem(", row->ItemTitle, ")]");
        Append(&text, "[AddItem(\"");
        if (row->InDestination)
            Append(&text, prefix);
        Append(&text, ItemFileFor(row, nt6));
        AppendCommand(&text, "\",\"", row->ItemTitle, "\")]");
    }
    if (outSize > 0)
        out[text.Length < outSize ? text.Length : outSize - 1] = '\0';
    return text.Length;
}

bool GroupListNamesGroup(const char* reply, const char* groupName)
{
    if (!reply || !groupName)
        return false;
    // One group per line; a longer name that merely contains this one (a
    // group "KOVAwin Tools") is another group.
    for (const char* line = reply; *line;) {
        size_t length = std::strcspn(line, "\r\n");
        if (SameTextIgnoringCase(line, length, groupName))
            return true;
        line += length;
        line += std::strspn(line, "\r\n");
    }
    return false;
}

void MarkItemsInReply(const char* reply, ProgramItemRow* items)
{
    if (!reply || !items)
        return;
    const char* p = reply;
    for (;;) {
        const char* lineEnd = std::strchr(p, '\n');
        if (!lineEnd || lineEnd[1] == '\0')
            return;
        // Past the line feed and the title's opening quote.
        const char* title = lineEnd + 2;
        const char* titleEnd = std::strchr(title, '"');
        size_t titleLength = titleEnd ? size_t(titleEnd - title) : std::strlen(title);
        for (ProgramItemRow* row = items; row->ComponentKey != 0; ++row) {
            if (row->ItemTitle && SameTextIgnoringCase(title, titleLength, row->ItemTitle)) {
                row->DeleteFirst = 1;
                break;
            }
        }
        if (!titleEnd)
            return;
        p = titleEnd + 1;
    }
}
