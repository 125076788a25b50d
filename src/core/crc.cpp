#include "core/crc.h"

namespace {

// Four bits at a time: a 16-entry table (64 bytes in the program instead of
// the 1 KB of a byte table), two steps per byte.
struct CrcTable {
    uint32_t entry[16];
    constexpr CrcTable() : entry()
    {
        for (uint32_t n = 0; n < 16; n++) {
            uint32_t c = n;
            for (int bit = 0; bit < 4; bit++)
                c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            entry[n] = c;
        }
    }
};

constexpr CrcTable Table;

}  // namespace

uint32_t CrcUpdate(const void* data, uint32_t length, uint32_t reg)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    for (uint32_t i = 0; i < length; i++)
    {
        reg = (reg >> 4) ^ Table.entry[(reg ^ p[i]) & 0xF];
        reg = (reg >> 4) ^ Table.entry[(reg ^ (p[i] >> 4)) & 0xF];
    }
    return reg;
}
