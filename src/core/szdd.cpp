#include "core/szdd.h"

#include <cstring>

void SzddWriteHeader(uint8_t* header, char nameChar, uint32_t expandedSize)
{
    std::memcpy(header, SzddMagic, sizeof SzddMagic);
    header[SzddModeOffset] = SzddModeA;
    header[SzddNameCharOffset] = static_cast<uint8_t>(nameChar);
    for (int i = 0; i < 4; i++)
        header[SzddSizeOffset + i] = static_cast<uint8_t>(expandedSize >> (8 * i));
}

namespace {

uint32_t ReadLe32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool CheckHeader(const uint8_t* data, size_t size, std::string& error)
{
    if (size < SzddHeaderSize) {
        error = "too short for an SZDD header (" + std::to_string(size) + " bytes)";
        return false;
    }
    if (std::memcmp(data, SzddMagic, sizeof SzddMagic) != 0) {
        error = "not an SZDD file (wrong magic)";
        return false;
    }
    if (data[SzddModeOffset] != SzddModeA) {
        char hex[3];
        static const char digits[] = "0123456789ABCDEF";
        hex[0] = digits[data[SzddModeOffset] >> 4];
        hex[1] = digits[data[SzddModeOffset] & 15];
        hex[2] = '\0';
        error = std::string("unknown SZDD compression mode 0x") + hex;
        return false;
    }
    return true;
}

}  // namespace

bool SzddExpand(const uint8_t* data, size_t size, std::vector<uint8_t>& out, std::string& error)
{
    out.clear();
    if (!CheckHeader(data, size, error))
        return false;

    const uint32_t expected = ReadLe32(data + SzddSizeOffset);
    const uint8_t* p = data + SzddHeaderSize;
    const uint8_t* end = data + size;
    // An item of at most 2 input bytes gives at most 18 output bytes, so the
    // data bounds what a lying size field can make us allocate.
    size_t bound = (static_cast<size_t>(end - p) / 2 + 1) * SzddMaxMatch;
    out.reserve(expected < bound ? expected : bound);

    // On the heap: a frame of the product's code stays below a page.
    std::vector<uint8_t> ring(SzddRingSize, SzddRingFill);
    uint32_t w = SzddRingStart;

    while (p < end) {
        unsigned flags = *p++;
        for (int bit = 0; bit < 8 && p < end; bit++, flags >>= 1) {
            if (flags & 1) {
                if (out.size() >= expected)
                    goto overflow;
                out.push_back(*p);
                ring[w] = *p++;
                w = (w + 1) & (SzddRingSize - 1);
                continue;
            }
            if (end - p < 2) {
                error = "data ends inside a match (truncated)";
                return false;
            }
            uint32_t pos = p[0] | ((p[1] & 0xF0u) << 4);
            uint32_t len = (p[1] & 0x0Fu) + SzddMinMatch;
            p += 2;
            if (expected - out.size() < len)
                goto overflow;
            for (uint32_t k = 0; k < len; k++) {
                uint8_t b = ring[pos];
                pos = (pos + 1) & (SzddRingSize - 1);
                out.push_back(b);
                ring[w] = b;
                w = (w + 1) & (SzddRingSize - 1);
            }
        }
    }
    if (out.size() != expected) {
        error = "data gives " + std::to_string(out.size()) + " bytes, header says " +
                std::to_string(expected) + " (truncated?)";
        return false;
    }
    return true;

overflow:
    error = "data gives more than the " + std::to_string(expected) + " bytes the header says";
    return false;
}
