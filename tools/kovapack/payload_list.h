// The payload list: one row per line, "<stored name> <source path>", '#'
// lines and blank lines skipped; source paths are taken relative to the
// list's folder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PackRow {
    std::string Name;    // stored 8.3 name
    std::string Listed;  // the source as the list writes it
    std::string Source;  // path of the file, as resolved from the list
    int Line = 0;        // in the list
    uint32_t Size = 0;
    uint32_t Crc = 0;
    uint32_t StoredSize = 0;  // SZDD size
    uint32_t FirstResource = 0;
    uint32_t ChunkCount = 0;
    uint32_t LastChunkSize = 0;
};

// Resource ids are 16-bit.
const uint32_t LastResourceId = 0xFFFF;

// Names are the same in any letter case: the form they are compared in.
std::string NameKey(std::string name);

// "list:line: ", the start of every message about a row.
std::string ListPlace(const std::string& listPath, int line);

// A name the installer can write: 1 to 8 name characters, a dot, 1 to 3
// more (the extension is required, since the copy step writes every row
// under its compressed name), and no device name (CON, PRN, AUX, NUL, COM1 to
// COM9, LPT1 to LPT9) before the dot.
bool CheckStoredName(const std::string& name, std::string& error);

// Parses the text of the list at listPath without touching any file. Refuses
// a bad name, a name listed twice in any letter case, a row with no source, a
// source with a control character and more rows than there are resource ids;
// the message starts with ListPlace.
bool ParsePayloadList(const std::string& text, const std::string& listPath, std::vector<PackRow>& rows,
                      std::string& error);

// The rows for the build's scripts, one a line: the stored name, the source
// as listed and the source's path, separated by tabs (neither holds a tab).
std::string PayloadRowLines(const std::vector<PackRow>& rows);

// The rows as CMake code: PAYLOAD_ROWS is their number, PAYLOAD_NAME_<i> and
// PAYLOAD_SOURCE_<i> (from 0) the stored name and the source as listed, each
// a bracket argument, so that no character of theirs means anything to CMake.
std::string PayloadRowsCMake(const std::vector<PackRow>& rows);
