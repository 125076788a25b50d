// The library server's configuration file "tarndaemon.conf": the library
// directory taken from the environment, the word splitter and the merge that
// points the user's copy at that directory. Platform-free (stdio only).
#pragma once
#include <cstdint>
#include <cstdio>

struct LibraryEnvironmentRecord {
    char LibraryDir[256];      // KOVAWIN_LIB, at most 255 characters, '\' made '/'
    int32_t LibraryDirGiven;   // 1 when KOVAWIN_LIB is set, even to an empty value
};

// The record of a KOVAWIN_LIB value (null: not given).
LibraryEnvironmentRecord LibraryEnvironmentOf(const char* value);

// Splits the next word off the writable text at *cursor and terminates it in
// place; null when only white space is left. A word in double or single
// quotes loses its quotes, and a backslash before the closing quote character
// stands for that character. When endedBy is given it receives the byte the
// word's end overwrote (0 when the word ran to the end of the text).
char* NextToken(char** cursor, char* endedBy = nullptr);

// The rewrite of one piece of a line (at most 510 characters, LF included when
// present) held in a writable buffer; the result goes to `output`.
void MergeConfigLine(char* line, FILE* output);

// Pieces of at most 510 characters of a file opened in binary mode, as a text
// mode read would give them: CR LF becomes LF. Returns false at the end.
bool ReadConfigPiece(FILE* input, char* buffer);

// The whole merge over open binary streams; `source` null means there is no
// user copy. Every LF goes out as CR LF.
void WriteMergedConfig(FILE* source, FILE* output, const char* libraryDir);

// The merge of the user's copy `sourcePath` into `outputPath` with the
// library directory: false when the output cannot be created, the source
// exists but cannot be opened (the output is then left empty), or a read or
// a write failed on the way.
bool MergeServerConfig(const char* sourcePath, const char* outputPath, const char* libraryDir);
// The same into an output the caller has opened (binary); it is closed here,
// null counting as an output that could not be created.
bool MergeServerConfigInto(const char* sourcePath, FILE* output, const char* libraryDir);

// The command interpreter's parameters that copy the merged file over the
// user's copy in `userDir`; false, with `out` empty, when they do not fit.
bool CopyBackParameters(const char* mergedFile, const char* userDir, char* out, size_t size);

const int ConfigPieceSize = 512;   // buffer for ReadConfigPiece
