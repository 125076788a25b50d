// Writes the demo help archive kova_hlp.kbx: a fixed xorshift32 stream, so
// that the file does not compress and its SZDD form ends up larger than the
// file itself. The same seed and size always give the same bytes.
//
//   g++ -std=c++17 -O2 -o gen_kbx gen_kbx.cpp && ./gen_kbx ../files/kova_hlp.kbx
#include <cstdint>
#include <cstdio>

namespace {

const std::uint32_t kSeed = 0x4B4F5641u;  // "KOVA"
const std::uint32_t kSize = 1472781u;

std::uint32_t NextWord(std::uint32_t &state)
{
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

}  // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: gen_kbx OUTPUT\n");
        return 2;
    }
    std::FILE *out = std::fopen(argv[1], "wb");
    if (!out) {
        std::perror(argv[1]);
        return 1;
    }
    std::uint32_t state = kSeed;
    std::uint32_t word = 0;
    for (std::uint32_t i = 0; i < kSize; ++i) {
        if (i % 4 == 0)
            word = NextWord(state);
        std::fputc(static_cast<int>((word >> (8 * (i % 4))) & 0xFF), out);
    }
    int ok = std::fclose(out) == 0;
    if (!ok)
        std::perror(argv[1]);
    return ok ? 0 : 1;
}
