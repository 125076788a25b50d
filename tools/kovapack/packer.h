// The payload packer: turns a payload list into the chunk files, the
// resource script that embeds them and the file table source.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "payload_list.h"

// Cuts storedSize bytes into pieces of PayloadChunkSize; the last piece is 1
// to PayloadChunkSize bytes long. storedSize is never 0 (an SZDD file has a
// header).
void ChunkLayout(uint32_t storedSize, uint32_t& count, uint32_t& lastSize);

// Reads the row's source into data and fills Size and Crc (CRC-32/JAMCRC
// of the file): the figures the file table gives the installer.
bool MeasurePayloadRow(PackRow& row, std::vector<uint8_t>& data, std::string& error);

// Reads and parses the list (see ParsePayloadList).
bool ReadPayloadList(const std::string& listPath, std::vector<PackRow>& rows, std::string& error);

// The generated texts. outDir must be absolute: the resource script names
// every chunk file by its absolute path.
std::string PayloadRcText(const std::vector<PackRow>& rows, const std::string& outDir);
std::string FileTableText(const std::vector<PackRow>& rows);
std::string CStringLiteral(const std::string& text);

// Packs every row of the list into outDir and fills the computed fields of
// rows. The outputs are written to a new folder that replaces outDir only
// when all of them are written and every piece is proved to expand back, so
// a failure leaves outDir as it was. Outputs whose content is unchanged keep
// their modification time; chunk files of an earlier, longer payload are
// dropped; other files in outDir are kept.
bool PackPayload(const std::string& listPath, const std::string& outDir, std::vector<PackRow>& rows,
                 std::string& error);
