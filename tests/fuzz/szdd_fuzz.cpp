// Feeds arbitrary bytes to the SZDD reader behind kovapack expand. An input
// it accepts expands to exactly the size its header states, and the
// compressor's form of that output expands back to it; a refusal says why.
#include <cstdint>
#include <string>
#include <vector>

#include "compressor.h"
#include "fuzz_check.h"
#include "core/szdd.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> out;
    std::string error;
    if (!SzddExpand(data, size, out, error)) {
        Check(!error.empty(), "a refusal says why");
        return 0;
    }
    const uint8_t* stated = data + SzddSizeOffset;
    uint32_t expected = stated[0] | stated[1] << 8 | stated[2] << 16 | static_cast<uint32_t>(stated[3]) << 24;
    Check(out.size() == expected, "the output has the header's size");

    std::vector<uint8_t> szdd = SzddCompress(out.data(), out.size(), static_cast<char>(data[SzddNameCharOffset]));
    std::vector<uint8_t> back;
    Check(SzddExpand(szdd.data(), szdd.size(), back, error) && back == out, "the compressed form expands back");
    return 0;
}
