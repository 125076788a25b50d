#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/compressed_name.h"
#include "core/crc.h"

namespace {

uint32_t Crc(const std::string& s, uint32_t reg = CrcPreset)
{
    return CrcUpdate(s.data(), static_cast<uint32_t>(s.size()), reg);
}

TEST(Crc, CheckValueAndTable)
{
    EXPECT_EQ(0x340BC6D9u, Crc("123456789"));
    // With the register at 0 one byte n gives table entry n.
    uint8_t one = 1, last = 255, zero = 0;
    EXPECT_EQ(0x77073096u, CrcUpdate(&one, 1, 0));
    EXPECT_EQ(0x2D02EF8Du, CrcUpdate(&last, 1, 0));
    EXPECT_EQ(0u, CrcUpdate(&zero, 1, 0));
    // No final complement: the complement of the common CRC-32 of "a".
    EXPECT_EQ(~0xE8B7BE43u, Crc("a"));
    // Eight bytes a step gives what one bit a step gives, at every start
    // and length around the step.
    std::string data;
    for (uint32_t x = 1; data.size() < 300; x = x * 1103515245u + 12345u)
        data += char(x >> 16);
    for (size_t start = 0; start < 9; start++)
        for (size_t length = 0; length < 280; length += 13) {
            uint32_t bitwise = CrcPreset;
            for (size_t i = start; i < start + length; i++)
                for (int bit = 0; bit < 8; bit++)
                    bitwise = ((bitwise ^ (uint8_t(data[i]) >> bit)) & 1) ? (bitwise >> 1) ^ 0xEDB88320u : bitwise >> 1;
            EXPECT_EQ(bitwise, Crc(data.substr(start, length))) << start << " " << length;
        }
}

TEST(Crc, RegisterHandling)
{
    EXPECT_EQ(CrcPreset, CrcUpdate("x", 0, CrcPreset));
    EXPECT_EQ(0x12345678u, CrcUpdate(nullptr, 0, 0x12345678u));
    std::string text = "The quick brown fox jumps over the lazy dog";
    uint32_t whole = Crc(text);
    for (size_t cut = 0; cut <= text.size(); cut += 7)
        EXPECT_EQ(whole, Crc(text.substr(cut), Crc(text.substr(0, cut)))) << "cut at " << cut;
}

std::string Compressed(const char* path, bool* ok)
{
    char buf[300];
    std::strcpy(buf, path);
    *ok = CompressedName(buf);
    return buf;
}

TEST(CompressedName, Rule)
{
    struct Case {
        const char* in;
        bool ok;
        const char* out;
    } cases[] = {
        {"C:\\KOVAwin\\kovamain.exe", true, "C:\\KOVAwin\\kovamain.ex_"},
        {"C:\\KOVAwin\\setup.", false, "C:\\KOVAwin\\setup."},
        {"C:\\KOVAwin\\README", false, "C:\\KOVAwin\\README"},
        {"C:\\my.dir\\README", true, "C:\\my.dir\\READM_"},
        {"tarn.cnf", true, "tarn.cn_"},
        {"a.b", true, "a._"},
        {"", false, ""},
        {".", false, "."},
    };
    for (const Case& c : cases) {
        bool ok = false;
        std::string out = Compressed(c.in, &ok);
        EXPECT_EQ(c.ok, ok) << c.in;
        EXPECT_EQ(c.out, out) << c.in;
    }
}

}  // namespace
