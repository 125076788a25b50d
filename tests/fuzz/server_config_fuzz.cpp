// Feeds arbitrary bytes to the word splitter and the line rules of the
// configuration merge. Input: an optional library directory, a NUL, then the
// user's file; without a NUL the whole input is the file.
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "core/server_config.h"

namespace {

std::string Merge(const std::string& text, const char* libraryDir)
{
    FILE* source = std::tmpfile();
    FILE* output = std::tmpfile();
    Check(source && output, "tmpfile");
    std::fwrite(text.data(), 1, text.size(), source);
    std::rewind(source);
    WriteMergedConfig(source, output, libraryDir);
    std::string merged;
    long size = std::ftell(output);
    merged.resize(static_cast<size_t>(size));
    std::rewind(output);
    Check(std::fread(&merged[0], 1, merged.size(), output) == merged.size(), "read back");
    std::fclose(source);
    std::fclose(output);
    return merged;
}

void SplitWords(const uint8_t* data, size_t size)
{
    char* text = static_cast<char*>(std::malloc(size + 1));
    std::memcpy(text, data, size);
    text[size] = '\0';
    char* end = text + std::strlen(text);
    char* cursor = text;
    for (;;) {
        char* before = cursor;
        char* token = NextToken(&cursor);
        Check(cursor >= before && cursor <= end, "cursor stays in the text");
        if (!token) {
            Check(cursor == end, "no word only at the end");
            break;
        }
        Check(token >= before && token <= end && token + std::strlen(token) <= cursor, "word inside what was consumed");
    }
    std::free(text);
}

bool IsWhite(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x80 && std::isspace(u);
}

// Two kinds of text are not expected to be stable after two merges:
// - a line whose first word, or the word after a '#' marker, starts with a
//   quote loses one level of quotes with every merge (and what was inside
//   the quotes, white space or a line end, is rewritten by the next one);
// - a line longer than one piece is taken in pieces, each of which loses its
//   leading white space, and a shorter start moves the next piece's start.
bool MayChangeAgain(const std::string& text)
{
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos)
            end = text.size();
        if (end - at > static_cast<size_t>(ConfigPieceSize) - 3)
            return true;
        size_t p = at;
        while (p < end && IsWhite(text[p]))
            p++;
        if (p < end && text[p] == '#') {
            while (p < end && !IsWhite(text[p]))
                p++;
            while (p < end && IsWhite(text[p]))
                p++;
        }
        if (p < end && (text[p] == '"' || text[p] == '\''))
            return true;
        at = end + 1;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    SplitWords(data, size);

    const char* raw = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(raw, '\0', size);
    std::string libraryDir = "D:/Libs";
    std::string file(raw, size);
    if (nul) {
        size_t dirLength = static_cast<size_t>(static_cast<const char*>(nul) - raw);
        std::string dir(raw, dirLength);
        if (dirLength < 256 && dir.find('\n') == std::string::npos)
            libraryDir = dir;
        file.assign(raw + dirLength + 1, size - dirLength - 1);
    }
    std::string first = Merge(file, libraryDir.c_str());
    std::string second = Merge(first, libraryDir.c_str());
    std::string third = Merge(second, libraryDir.c_str());
    if (!MayChangeAgain(first) && !MayChangeAgain(second))
        Check(third == second, "a merged file merges to itself");
    return 0;
}
