// kovapack: SZDD compress / expand, and the payload packer of the installer
// build.
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "compressor.h"
#include "files.h"
#include "packer.h"
#include "core/compressed_name.h"
#include "core/szdd.h"

namespace fs = std::filesystem;

namespace {

int Usage()
{
    std::fprintf(stderr,
                 "usage: kovapack compress IN [OUT]\n"
                 "       kovapack expand IN [OUT]\n"
                 "       kovapack pack LIST OUTDIR\n"
                 "       kovapack list [--cmake] LIST\n");
    return 2;
}

// One line, whatever the names in it hold.
int Fail(std::string message)
{
    for (char& c : message) {
        if (static_cast<unsigned char>(c) < 0x20)
            c = '?';
    }
    std::fprintf(stderr, "kovapack: %s\n", message.c_str());
    return 1;
}

std::string DefaultCompressedName(const std::string& in)
{
    std::vector<char> path(in.begin(), in.end());
    path.push_back('\0');
    if (!CompressedName(path.data()))
        return std::string();
    return path.data();
}

int Compress(const std::string& in, std::string out)
{
    std::string name = fs::path(in).filename().string();
    if (name.empty())
        return Fail(in + ": not a file name");
    if (out.empty()) {
        out = DefaultCompressedName(in);
        if (out.empty())
            return Fail(in + ": the name has no compressed name (no extension); give OUT");
    }
    std::vector<uint8_t> data;
    std::string error;
    if (!ReadWholeFile(in, data, error))
        return Fail(error);
    std::vector<uint8_t> szdd = SzddCompress(data.data(), data.size(), name.back());
    if (szdd.size() >= FileSizeLimit)
        return Fail(in + ": its compressed form would be 4 GiB or more");
    if (!WriteFileAtomic(out, szdd, error))
        return Fail(error);
    return 0;
}

// The expanded name undoes the compressed name: the trailing '_' becomes the
// character the header kept.
std::string DefaultExpandedName(const std::string& in, const std::vector<uint8_t>& szdd)
{
    if (in.empty() || in.back() != '_' || szdd.size() < SzddHeaderSize)
        return std::string();
    char c = static_cast<char>(szdd[SzddNameCharOffset]);
    if (c == '\0' || c == '/' || c == '_')
        return std::string();
    return in.substr(0, in.size() - 1) + c;
}

int Expand(const std::string& in, std::string out)
{
    std::vector<uint8_t> szdd;
    std::vector<uint8_t> data;
    std::string error;
    if (!ReadWholeFile(in, szdd, error))
        return Fail(error);
    if (!SzddExpand(szdd.data(), szdd.size(), data, error))
        return Fail(in + ": " + error);
    if (out.empty()) {
        out = DefaultExpandedName(in, szdd);
        if (out.empty())
            return Fail(in + ": cannot tell the expanded name; give OUT");
    }
    if (!WriteFileAtomic(out, data, error))
        return Fail(error);
    return 0;
}

int Pack(const std::string& list, const std::string& outDir)
{
    std::vector<PackRow> rows;
    std::string error;
    if (!PackPayload(list, outDir, rows, error))
        return Fail(error);
    std::printf("%-4s %-14s %10s %10s %10s %6s %6s %6s\n", "Row", "Name", "Size", "Crc", "Stored", "First", "Count",
                "Last");
    unsigned long long expanded = 0, stored = 0, chunks = 0;
    for (size_t i = 0; i < rows.size(); i++) {
        const PackRow& r = rows[i];
        std::printf("%-4zu %-14s %10u 0x%08X %10u %6u %6u %6u\n", i, r.Name.c_str(), r.Size, r.Crc, r.StoredSize,
                    r.FirstResource, r.ChunkCount, r.LastChunkSize);
        expanded += r.Size;
        stored += r.StoredSize;
        chunks += r.ChunkCount;
    }
    std::printf("Together: %zu files, %llu bytes expanded, stored as %llu bytes in %llu resources", rows.size(),
                expanded, stored, chunks);
    if (chunks)
        std::printf(" with the ids %u to %llu", rows.front().FirstResource, rows.front().FirstResource + chunks - 1);
    std::printf(".\n");
    return 0;
}

// The list's rows for the build's scripts, or as CMake code.
int List(const std::string& list, bool cmake)
{
    std::vector<PackRow> rows;
    std::string error;
    if (!ReadPayloadList(list, rows, error))
        return Fail(error);
    std::string text = cmake ? PayloadRowsCMake(rows) : PayloadRowLines(rows);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return Fail(list + ": cannot write its rows");
    return 0;
}

int Run(int argc, char** argv)
{
    std::string verb = argv[1];
    if (verb == "compress" && argc <= 4)
        return Compress(argv[2], argc == 4 ? argv[3] : "");
    if (verb == "expand" && argc <= 4)
        return Expand(argv[2], argc == 4 ? argv[3] : "");
    if (verb == "pack" && argc == 4)
        return Pack(argv[2], argv[3]);
    if (verb == "list" && argc == 3)
        return List(argv[2], false);
    if (verb == "list" && argc == 4 && std::strcmp(argv[2], "--cmake") == 0)
        return List(argv[3], true);
    return Usage();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return Usage();
    // Everything is checked before it can fail; this is the last resort.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Fail(std::string(argv[2]) + ": out of memory");
    } catch (const std::exception& e) {
        return Fail(std::string(argv[2]) + ": " + e.what());
    }
}
