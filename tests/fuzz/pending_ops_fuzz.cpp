// Feeds arbitrary PendingFileRenameOperations data to the pair walk.
// Input: the path to cancel, a NUL, then the value's bytes. A name "exists"
// when it holds no '?' after its prefix; its short form is its upper case.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "core/pending_ops.h"

namespace {

bool UpperCaseLookup(const char* longPath, char* shortPath, size_t capacity, void*)
{
    size_t n = std::strlen(longPath);
    if (std::strchr(longPath, '?') || n + 1 > capacity)
        return false;
    for (size_t i = 0; i <= n; i++) {
        char c = longPath[i];
        shortPath[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return true;
}

size_t Filter(const std::vector<char>& data, const std::string& path, std::vector<char>* out)
{
    // Exact sizes, so that the sanitizer sees any read or write past either end.
    std::vector<char> value(data);
    out->assign(value.size(), 0);
    return FilterPendingOperations(value.data(), value.size(), path.c_str(), UpperCaseLookup, nullptr, out->data());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* raw = reinterpret_cast<const char*>(data);
    const void* nul = std::memchr(raw, '\0', size);
    if (!nul)
        return 0;
    size_t pathLength = static_cast<size_t>(static_cast<const char*>(nul) - raw);
    std::string path(raw, pathLength);
    std::vector<char> value(raw + pathLength + 1, raw + size);

    std::vector<char> out;
    size_t length = Filter(value, path, &out);
    if (length == 0)
        return 0;
    Check(length <= value.size() - 1, "a dropped pair makes the value shorter");
    Check(out[length - 1] == '\0', "the closing empty string ends the value");
    std::vector<char> again;
    out.resize(length);
    Check(Filter(out, path, &again) == 0, "what is kept matches no more");
    return 0;
}
