// The fuzz targets' assertion: a failed check aborts, so libFuzzer keeps the
// input that broke it.
#pragma once
#include <cstdio>
#include <cstdlib>

inline void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}
