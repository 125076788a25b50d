// Feeds arbitrary Program Manager replies to the group-list and items-reply
// readers of the icon step. The input is a name, a NUL, then the reply; the
// reply is copied into a buffer of its own length plus the terminator, so a
// read past its end is caught. Whatever the reply, the group is found only as
// a whole line of it, and a row is marked only for a title that opens a line
// after the first, behind its opening quote.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "core/progman.h"

namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); i++) {
        char x = a[i] >= 'a' && a[i] <= 'z' ? char(a[i] - 32) : a[i];
        char y = b[i] >= 'a' && b[i] <= 'z' ? char(b[i] - 32) : b[i];
        if (x != y)
            return false;
    }
    return true;
}

// Is `name` a line of `reply` (lines end in CR or LF)?
bool IsLineOf(const std::string& reply, const std::string& name)
{
    size_t start = 0;
    while (start <= reply.size()) {
        size_t end = reply.find_first_of("\r\n", start);
        if (end == std::string::npos)
            end = reply.size();
        if (SameIgnoringCase(reply.substr(start, end - start), name))
            return true;
        start = end + 1;
    }
    return false;
}

// Does a line after the first hold `title` behind its first character (the
// opening quote), up to a quote or the reply's end?
bool IsItemOf(const std::string& reply, const std::string& title)
{
    for (size_t at = reply.find('\n'); at != std::string::npos; at = reply.find('\n', at + 1)) {
        if (at + 1 == reply.size())
            break;
        std::string rest = reply.substr(at + 2);
        size_t quote = rest.find('"');
        if (SameIgnoringCase(rest.substr(0, quote), title))
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* text = reinterpret_cast<const char*>(data);
    const char* gap = static_cast<const char*>(std::memchr(text, '\0', size));
    if (!gap)
        return 0;
    std::string name(text, gap);
    size_t rest = size - size_t(gap + 1 - text);
    const char* end = static_cast<const char*>(std::memchr(gap + 1, '\0', rest));
    size_t length = end ? size_t(end - (gap + 1)) : rest;
    char* reply = static_cast<char*>(std::malloc(length + 1));
    std::memcpy(reply, gap + 1, length);
    reply[length] = '\0';

    bool found = GroupListNamesGroup(reply, name.c_str());
    Check(!found || IsLineOf(std::string(reply, length), name), "the group is a whole line of the reply");

    ProgramItemRow rows[] = {
        {1, "a.exe", name.c_str(), 1, 0, 1},
        {1, "b.exe", "KOVA", 1, 0, 1},
        {0, nullptr, "G", 0, 0, 0},
    };
    MarkItemsInReply(reply, rows);
    for (int i = 0; i < 2; i++)
        Check(!rows[i].DeleteFirst || IsItemOf(std::string(reply, length), rows[i].ItemTitle),
              "a marked row's title opens an item line of the reply");
    std::free(reply);
    return 0;
}
