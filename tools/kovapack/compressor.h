// SZDD mode 'A' compressor. It looks for the longest match at every position
// over the whole ring (the preset spaces included, overlapping copies
// allowed) and then chooses literals and matches by an optimal parse, so the
// output is the shortest this format can express.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// A complete SZDD file: header (with nameChar and size) and data. Empty when
// size does not fit in 32 bits.
std::vector<uint8_t> SzddCompress(const uint8_t* data, size_t size, char nameChar);
