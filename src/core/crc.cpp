#include "core/crc.h"

namespace {

// Eight bytes a step (slicing by eight): Tables[k][n] is the register's
// change for byte n followed by k zero bytes. The 8 KB of tables are made
// when the program starts, so they take no room in the program file.
struct CrcTables {
    uint32_t t[8][256];
    CrcTables()
    {
        for (uint32_t n = 0; n < 256; n++) {
            uint32_t c = n;
            for (int bit = 0; bit < 8; bit++)
                c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[0][n] = c;
        }
        for (int k = 1; k < 8; k++)
            for (uint32_t n = 0; n < 256; n++)
                t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
    }
};

const CrcTables Tables;

uint32_t Word(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

uint32_t CrcUpdate(const void* data, uint32_t length, uint32_t reg)
{
    const uint8_t* p = static_cast<const uint8_t*>(data);
    const auto& t = Tables.t;
    for (; length >= 8; length -= 8, p += 8) {
        uint32_t low = reg ^ Word(p), high = Word(p + 4);
        reg = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
              t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; length > 0; length--, p++)
        reg = (reg >> 8) ^ t[0][(reg ^ *p) & 0xFF];
    return reg;
}
