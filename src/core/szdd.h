// The SZDD form of the payload files (mode 'A'): a 14-byte header, then LZSS
// groups over a 4096-byte ring that starts filled with spaces, written from
// position 4080. Each group is a flag byte and up to eight items, read from
// the flag's least significant bit up: 1 a literal byte, 0 a two-byte match
// (ring position b0 + 256 * (b1 >> 4), length (b1 & 0x0F) + 3).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

const uint8_t SzddMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};
const uint8_t SzddModeA = 'A';
const size_t SzddModeOffset = 8;
const size_t SzddNameCharOffset = 9;
const size_t SzddSizeOffset = 10;
const size_t SzddHeaderSize = 14;

const uint32_t SzddRingSize = 4096;
const uint32_t SzddRingStart = SzddRingSize - 16;
const uint8_t SzddRingFill = 0x20;
const uint32_t SzddMinMatch = 3;
const uint32_t SzddMaxMatch = 18;

// Writes the 14-byte header: magic, mode 'A', the last character of the
// file's name and the expanded size.
void SzddWriteHeader(uint8_t* header, char nameChar, uint32_t expandedSize);

// Expands a whole SZDD file held in memory. Never reads past data + size.
// Fails, with a reason in error, on a wrong magic, a mode other than 'A',
// data cut inside an item, or data that does not give exactly the size the
// header states.
bool SzddExpand(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& error);
