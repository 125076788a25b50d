// The payload packer: turns a payload list into the chunk files, the
// resource script that embeds them and the file table source.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct PackRow {
    std::string Name;    // stored 8.3 name
    std::string Source;  // path of the file, as resolved from the list
    uint32_t Size = 0;
    uint32_t Crc = 0;
    uint32_t StoredSize = 0;  // SZDD size
    uint32_t FirstResource = 0;
    uint32_t ChunkCount = 0;
    uint32_t LastChunkSize = 0;
};

// Whole-file helpers shared with the compress and expand commands.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);
// Writes through a temporary file beside path and a rename, so path is either
// the old file or the complete new one.
bool WriteFileAtomic(const std::string& path, const std::vector<uint8_t>& bytes, std::string& error);
// As WriteFileAtomic, but leaves path alone when it already holds bytes.
// changed tells which happened.
bool WriteIfChanged(const std::string& path, const std::vector<uint8_t>& bytes, bool& changed, std::string& error);

// Cuts storedSize bytes into pieces of PayloadChunkSize; the last piece is 1
// to PayloadChunkSize bytes long. storedSize is never 0 (an SZDD file has a
// header).
void ChunkLayout(uint32_t storedSize, uint32_t& count, uint32_t& lastSize);

// Reads the list: one row per line, "<stored name> <source path>", '#' lines
// and blank lines skipped; source paths are taken relative to the list's
// directory. Checks each name is an 8.3 name with a compressed name.
bool ReadPayloadList(const std::string& listPath, std::vector<PackRow>& rows, std::string& error);

// The generated texts. outDir must be absolute: the resource script names
// every chunk file by its absolute path.
std::string PayloadRcText(const std::vector<PackRow>& rows, const std::string& outDir);
std::string FileTableText(const std::vector<PackRow>& rows);
std::string CStringLiteral(const std::string& text);

// Packs every row of the list into outDir (created when missing) and fills
// the computed fields of rows. Output files whose content is unchanged are
// not rewritten; chunk files left from an earlier, longer payload are removed.
bool PackPayload(const std::string& listPath, const std::string& outDir, std::vector<PackRow>& rows,
                 std::string& error);
