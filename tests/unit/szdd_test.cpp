#include <gtest/gtest.h>

#include <cstring>

#include "compressor.h"
#include "core/szdd.h"
#include "test_util.h"

namespace {

using testutil::Bytes;

Bytes Compress(const Bytes& data, char nameChar = 'x')
{
    return SzddCompress(data.data(), data.size(), nameChar);
}

Bytes Expand(const Bytes& szdd, bool* ok, std::string* error = nullptr)
{
    Bytes out;
    std::string why;
    *ok = SzddExpand(szdd.data(), szdd.size(), out, why);
    if (error)
        *error = why;
    return out;
}

Bytes Concat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The inputs every round trip runs over.
std::vector<std::pair<std::string, Bytes>> Samples()
{
    std::vector<std::pair<std::string, Bytes>> s;
    s.push_back({"empty", Bytes()});
    s.push_back({"one byte", Bytes{0x41}});
    s.push_back({"one space", Bytes{' '}});
    s.push_back({"spaces at start", Concat(Bytes(40, ' '), testutil::FromText("after the spaces"))});
    s.push_back({"long run", Bytes(100000, 0)});
    s.push_back({"two-byte period", [] {
                     Bytes b;
                     for (int i = 0; i < 5000; i++)
                         b.push_back(i & 1 ? 0xAB : 0xCD);
                     return b;
                 }()});
    s.push_back({"incompressible", testutil::RandomBytes(70000, 7)});
    // A block repeated exactly one ring length later: only the match that
    // reaches the full 4096 bytes back finds it.
    Bytes block = testutil::RandomBytes(4096, 3);
    s.push_back({"repeat at 4096", Concat(Concat(block, block), block)});
    s.push_back({"text", testutil::SampleText(200000)});
    for (size_t n : {61439, 61440, 61441, 122880})
        s.push_back({"text of " + std::to_string(n), testutil::SampleText(n)});
    return s;
}

TEST(Szdd, HeaderLayout)
{
    Bytes szdd = Compress(testutil::FromText("hello, hello"), 'e');
    ASSERT_GE(szdd.size(), SzddHeaderSize);
    const uint8_t expected[] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33, 'A', 'e', 12, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(expected, szdd.data(), sizeof expected));

    Bytes big(0x01020304 & 0xFFFFF, 'q');
    Bytes s2 = Compress(big);
    EXPECT_EQ(0x04, s2[10]);
    EXPECT_EQ(0x03, s2[11]);
    EXPECT_EQ(0x02, s2[12]);
    EXPECT_EQ(0x00, s2[13]);
}

TEST(Szdd, RoundTrips)
{
    for (const auto& [name, data] : Samples()) {
        bool ok = false;
        std::string error;
        Bytes back = Expand(Compress(data), &ok, &error);
        EXPECT_TRUE(ok) << name << ": " << error;
        EXPECT_TRUE(back == data) << name;
    }
}

TEST(Szdd, UsesTheRingItsBestWays)
{
    // 18 spaces: one match into the preset ring.
    EXPECT_EQ(SzddHeaderSize + 1 + 2, Compress(Bytes(18, ' ')).size());
    // A run is one literal and overlapping copies of 18.
    Bytes run(1 + 18 * 8, 'z');
    EXPECT_EQ(SzddHeaderSize + 2 + 1 + 8 * 2, Compress(run).size());
    // The block seen 4096 bytes before is all matches.
    Bytes block = testutil::RandomBytes(4096, 3);
    Bytes once = Compress(block);
    Bytes twice = Compress(Concat(block, block));
    const size_t matches = (4096 + 17) / 18;
    EXPECT_LE(twice.size() - once.size(), matches * 2 + (matches + 7) / 8);
}

// The ring, simulated byte by byte as an expander keeps it, gives every
// match there is at each position; a dynamic programme over them gives the
// fewest bits any encoder can reach. The compressor must meet it.
size_t OptimalSize(const Bytes& data)
{
    const size_t n = data.size();
    std::vector<uint32_t> best(n, 0);
    uint8_t ring[4096];
    std::memset(ring, ' ', sizeof ring);
    uint32_t w = 4080;
    for (size_t i = 0; i < n; i++) {
        uint32_t limit = static_cast<uint32_t>(std::min<size_t>(18, n - i));
        for (uint32_t r = 0; r < 4096 && best[i] < limit; r++) {
            uint8_t copied[18];
            uint32_t len = 0;
            while (len < limit) {
                uint32_t from = (r + len) & 4095;
                uint32_t back = (from - w) & 4095;  // how far the copy has overwritten
                uint8_t b = back < len ? copied[back] : ring[from];
                if (b != data[i + len])
                    break;
                copied[len++] = b;
            }
            best[i] = std::max(best[i], len);
        }
        ring[w] = data[i];
        w = (w + 1) & 4095;
    }
    std::vector<uint64_t> bits(n + 1, 0);
    for (size_t i = n; i-- > 0;) {
        bits[i] = bits[i + 1] + 9;
        for (uint32_t len = 3; len <= best[i]; len++)
            bits[i] = std::min<uint64_t>(bits[i], bits[i + len] + 17);
    }
    return SzddHeaderSize + static_cast<size_t>((bits[0] + 7) / 8);
}

TEST(Szdd, CompressorIsOptimal)
{
    Bytes block = testutil::RandomBytes(1500, 5);
    Bytes mixed = Concat(Concat(testutil::SampleText(3000), block), Bytes(300, ' '));
    mixed = Concat(mixed, testutil::SampleText(2500));
    Bytes farRepeat = Concat(Concat(testutil::RandomBytes(4096, 9), testutil::RandomBytes(4096, 9)), block);
    Bytes spaced = Concat(testutil::FromText("   x    xy     xyz"), Bytes(30, ' '));
    for (const Bytes& data : {mixed, farRepeat, spaced, testutil::SampleText(9000)})
        EXPECT_EQ(OptimalSize(data), Compress(data).size());
}

TEST(SzddReader, RejectsBadInput)
{
    Bytes good = Compress(testutil::SampleText(5000));
    bool ok = true;
    std::string error;

    Bytes magic = good;
    magic[4] = 0x89;
    Expand(magic, &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("magic")) << error;

    Bytes mode = good;
    mode[8] = 'B';
    Expand(mode, &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("mode")) << error;

    Bytes larger = good;
    larger[10] ^= 1;  // 5000 -> 5001
    Expand(larger, &ok, &error);
    EXPECT_FALSE(ok) << "size field one more than the data";

    Bytes smaller = good;
    smaller[10] ^= 8;  // 5000 = 0x1388 -> 0x1380
    Expand(smaller, &ok, &error);
    EXPECT_FALSE(ok) << "size field less than the data";

    Bytes huge = good;
    huge[13] = 0xFF;
    Expand(huge, &ok, &error);
    EXPECT_FALSE(ok) << "size field far beyond the data";

    // Every cut of a valid file is refused, the header cut included. The
    // prefix lives in its own buffer so a reader that ran past it would be
    // reading freed or foreign memory.
    for (size_t cut = 0; cut < good.size(); cut++) {
        Bytes prefix(good.begin(), good.begin() + cut);
        Expand(prefix, &ok, &error);
        EXPECT_FALSE(ok) << "prefix of " << cut << " bytes accepted";
    }
    // A match cut after its first byte says so.
    Bytes cutMatch = testutil::FromText(std::string("SZDD\x88\xF0\x27\x33" "A_\x05\0\0\0", 14));
    cutMatch.push_back(0x00);
    cutMatch.push_back(0x10);
    Expand(cutMatch, &ok, &error);
    EXPECT_FALSE(ok);
    EXPECT_NE(std::string::npos, error.find("data ends inside a match")) << error;
}

TEST(SzddReader, ReadsHandMadeStreams)
{
    // Literal 'a' at 4080; 3 preset spaces from 4077; literal 'b' at 4084; 5
    // bytes from 4084, a copy that overlaps its own output; 10 bytes from
    // 4090, across the ring's end.
    Bytes s = testutil::FromText(std::string("SZDD\x88\xF0\x27\x33" "A_\x14\0\0\0", 14));
    uint8_t items[] = {0x05, 'a', 0xED, 0xF0, 'b', 0xF4, 0xF2, 0xFA, 0xF7};
    s.insert(s.end(), items, items + sizeof items);
    bool ok = false;
    std::string error;
    Bytes out = Expand(s, &ok, &error);
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ("a   bbbbbb          ", std::string(out.begin(), out.end()));
}

// Interop with the mscompress package's tools.
class SzddPeers : public ::testing::Test {
protected:
    testutil::ScratchDir dir;
};

TEST_F(SzddPeers, MsexpandReadsOurOutput)
{
    for (const auto& [name, data] : Samples()) {
        std::string packed = dir / "in.sz_";
        std::string plain = dir / "out.bin";
        testutil::WriteFile(packed, Compress(data));
        int rc = testutil::Run("msexpand < " + testutil::Quote(packed) + " > " + testutil::Quote(plain));
        EXPECT_EQ(0, rc) << name;
        EXPECT_TRUE(testutil::ReadFile(plain) == data) << name;
    }
}

TEST_F(SzddPeers, WeReadMscompressOutput)
{
    // This mscompress writes IN_ beside IN (the whole name plus '_'), with
    // 0 where the name character goes. It garbles inputs under 16 bytes, so
    // the smallest case here is 16.
    Bytes exe = testutil::ReadFile("/usr/lib/i386-linux-gnu/wine/i386-windows/notepad.exe");
    ASSERT_FALSE(exe.empty());
    std::vector<std::pair<std::string, Bytes>> cases = {
        {"sixteen", testutil::FromText("sixteen bytes..!")},
        {"spaces", Concat(Bytes(64, ' '), testutil::FromText("then text"))},
        {"exe", exe},
        {"noise", testutil::RandomBytes(20000, 2)},
        {"run", Bytes(70000, 0xFF)},
        {"text", testutil::SampleText(61440 * 2 + 1)},
    };
    for (const auto& [name, data] : cases) {
        std::string plain = dir / (name + ".dat");
        testutil::WriteFile(plain, data);
        ASSERT_EQ(0, testutil::Run("mscompress " + testutil::Quote(plain))) << name;
        Bytes theirs = testutil::ReadFile(plain + "_");
        ASSERT_GE(theirs.size(), SzddHeaderSize) << name;
        bool ok = false;
        std::string error;
        Bytes back = Expand(theirs, &ok, &error);
        EXPECT_TRUE(ok) << name << ": " << error;
        EXPECT_TRUE(back == data) << name;
        // Never larger than theirs.
        EXPECT_LE(Compress(data).size(), theirs.size()) << name;
    }
}

}  // namespace
