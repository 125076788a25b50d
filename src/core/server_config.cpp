#include "core/server_config.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/ascii.h"
#include "core/file_exists.h"
#include "core/text_format.h"

namespace {

const int PieceLimit = ConfigPieceSize - 2;

bool IsWhiteByte(char c)
{
    unsigned char u = static_cast<unsigned char>(c);
    return u < 0x80 && std::isspace(u);
}

bool IsMergedKeyword(const char* token)
{
    return StartsWithIgnoringCase(token, "ServerComment") || StartsWithIgnoringCase(token, "LibraryPath");
}

// The files are opened in binary mode on every platform; the on-disk line
// end CR LF is made here, as a text-mode stream would make it.
void WriteText(FILE* output, const char* text)
{
    for (; *text; ++text) {
        if (*text == '\n')
            std::fputc('\r', output);
        std::fputc(*text, output);
    }
}

void WriteWordAndRest(FILE* output, const char* word, char endedBy, const char* rest)
{
    WriteText(output, word);
    if (endedBy == '\n') {
        WriteText(output, "\n");
        return;
    }
    WriteText(output, " ");
    WriteText(output, rest);
}

void WriteClosingLines(FILE* output, const char* libraryDir, bool wholeCommentQuoted)
{
    if (wholeCommentQuoted) {
        WriteText(output, "\nServerComment\t\"#Libraries in ");
    } else {
        WriteText(output, "\nServerComment\t#Libraries in \"");
    }
    WriteText(output, libraryDir);
    WriteText(output, "\"\n");
    WriteText(output, "\nLibraryPath\t\"");
    WriteText(output, libraryDir);
    WriteText(output, "\"\n");
}

}  // namespace

LibraryEnvironmentRecord LibraryEnvironmentOf(const char* value)
{
    LibraryEnvironmentRecord record = {};
    if (value) {
        record.LibraryDirGiven = 1;
        std::strncpy(record.LibraryDir, value, sizeof record.LibraryDir - 1);
        record.LibraryDir[sizeof record.LibraryDir - 1] = '\0';
    }
    for (char* p = record.LibraryDir; *p; ++p) {
        if (*p == '\\')
            *p = '/';
    }
    return record;
}

char* NextToken(char** cursor, char* endedBy)
{
    char* p = *cursor;
    if (endedBy)
        *endedBy = '\0';
    while (*p && IsWhiteByte(*p))
        ++p;
    if (!*p) {
        *cursor = p;
        return nullptr;
    }
    char* token;
    if (*p == '"' || *p == '\'') {
        char quote = *p++;
        token = p;
        char* write = p;
        while (*p && *p != quote) {
            if (p[0] == '\\' && p[1] == quote) {
                *write++ = quote;
                p += 2;
            } else {
                *write++ = *p++;
            }
        }
        if (*p == quote) {
            if (endedBy)
                *endedBy = quote;
            ++p;
        }
        *write = '\0';
    } else {
        token = p;
        while (*p && !IsWhiteByte(*p))
            ++p;
        if (*p) {
            if (endedBy)
                *endedBy = *p;
            *p++ = '\0';
        }
    }
    *cursor = p;
    return token;
}

void MergeConfigLine(char* line, FILE* output)
{
    char* cursor = line;
    char endedBy = '\0';
    char* first = NextToken(&cursor, &endedBy);
    if (!first)
        return;
    if (first[0] == '\0' || first[0] == '\n') {
        WriteText(output, first);
        return;
    }
    if (first[0] == '#') {
        char* second = NextToken(&cursor, &endedBy);
        if (!second) {
            WriteText(output, first);
            WriteText(output, "\n");
            return;
        }
        if (IsMergedKeyword(second))
            return;
        WriteText(output, "# ");
        WriteWordAndRest(output, second, endedBy, cursor);
        return;
    }
    if (IsMergedKeyword(first))
        return;
    WriteWordAndRest(output, first, endedBy, cursor);
}

bool ReadConfigPiece(FILE* input, char* buffer)
{
    int n = 0;
    while (n < PieceLimit) {
        int c = std::getc(input);
        if (c == EOF)
            break;
        if (c == '\r') {
            int next = std::getc(input);
            if (next == '\n')
                c = '\n';
            else if (next != EOF)
                std::ungetc(next, input);
        }
        buffer[n++] = static_cast<char>(c);
        if (c == '\n')
            break;
    }
    buffer[n] = '\0';
    return n > 0;
}

void WriteMergedConfig(FILE* source, FILE* output, const char* libraryDir)
{
    if (!source) {
        WriteClosingLines(output, libraryDir, false);
        return;
    }
    char piece[ConfigPieceSize];
    WriteText(output, "\n\n");
    while (ReadConfigPiece(source, piece))
        MergeConfigLine(piece, output);
    WriteClosingLines(output, libraryDir, true);
}

bool MergeServerConfigInto(const char* sourcePath, FILE* output, const char* libraryDir)
{
    int ok = 0;
    FILE* source = nullptr;
    if (!output)
        goto done;
    if (PathExists(sourcePath)) {
        source = std::fopen(sourcePath, "rb");
        if (!source)
            goto done;
    }
    WriteMergedConfig(source, output, libraryDir);
    // A read that failed part-way looks like the end of the file, and a
    // write that failed leaves the output short: either way the merge is not
    // the user's file with the library added, and must not replace it.
    ok = (!source || !std::ferror(source)) && !std::ferror(output);
done:
    if (source)
        std::fclose(source);
    if (output && std::fclose(output) != 0)
        ok = 0;
    return ok;
}

bool MergeServerConfig(const char* sourcePath, const char* outputPath, const char* libraryDir)
{
    return MergeServerConfigInto(sourcePath, std::fopen(outputPath, "wb"), libraryDir);
}

bool CopyBackParameters(const char* mergedFile, const char* userDir, char* out, size_t size)
{
    // /D: the AutoRun commands of the machine's and the user's interpreter
    // settings would run first, with the installer's rights, and could hold
    // the copy past its bound. /Y: copy asks before it overwrites wherever
    // COPYCMD says so (and, on Windows, by default outside batch files);
    // hidden, nobody could answer.
    return FormatWhole(out, size, "/D /c copy /Y \"%s\" \"%s", mergedFile, userDir);
}
