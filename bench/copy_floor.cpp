// The least a copy step can do with the payload: write each file's SZDD
// pieces to disk, expand it through the LZ library to its final name (in
// blocks as large as the CRC read's), delete the compressed copy and read
// the result once for its CRC. With "copyfile SRC DST" instead: a
// plain CopyFileA of every installed file. Prints the seconds taken.
#include <windows.h>
#include <lzexpand.h>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/crc.h"
#include "core/descriptor.h"
#include "core/file_entry.h"
#include "frame/wizard.h"

namespace {

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(to.QuadPart - from.QuadPart) / double(f.QuadPart);
}

bool InstallOne(const FileEntry& row, const std::string& dir, std::vector<char>& block)
{
    std::string final = dir + row.Name;
    std::string packed = final;
    packed.back() = '_';
    HANDLE out = CreateFileA(packed.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    for (uint32_t k = 0; k < row.ChunkCount; k++) {
        HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(row.FirstResource + k), MAKEINTRESOURCEA(10));
        HGLOBAL piece = found ? LoadResource(nullptr, found) : nullptr;
        if (!piece)
            return false;
        DWORD length = k + 1 == row.ChunkCount ? row.LastChunkSize : row.ChunkSize;
        DWORD written = 0;
        WriteFile(out, LockResource(piece), length, &written, nullptr);
        FreeResource(piece);
    }
    CloseHandle(out);
    OFSTRUCT of = {};
    INT source = LZOpenFileA(const_cast<char*>(packed.c_str()), &of, OF_READ);
    INT target = LZOpenFileA(const_cast<char*>(final.c_str()), &of, OF_CREATE | OF_WRITE);
    bool ok = source >= 0 && target >= 0;
    for (INT got = 1; ok && got > 0;) {
        got = LZRead(source, block.data(), INT(block.size()));
        ok = got >= 0 && _lwrite(target, block.data(), UINT(got)) == UINT(got);
    }
    LZClose(source);
    LZClose(target);
    DeleteFileA(packed.c_str());
    HANDLE in = CreateFileA(final.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    uint32_t crc = CrcPreset;
    DWORD got = 0;
    while (ReadFile(in, block.data(), DWORD(block.size()), &got, nullptr) && got > 0)
        crc = CrcUpdate(block.data(), got, crc);
    CloseHandle(in);
    return ok && crc == row.Crc;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    std::string dir = argv[argc - 1];
    if (dir.back() != '\\')
        dir += '\\';
    LARGE_INTEGER start, end;
    bool copyFile = argc == 4 && std::strcmp(argv[1], "copyfile") == 0;
    std::string from = copyFile ? std::string(argv[2]) + "\\" : std::string();
    std::vector<char> block(49152);
    // The installed names, as the setup gives them (some rows get long ones).
    InstallDescriptor descriptor = {};
    ConfigureInstallation(&descriptor);
    QueryPerformanceCounter(&start);
    for (const FileEntry* row = FileTable; row->ComponentKey != 0; row++) {
        bool ok = copyFile ? CopyFileA((from + row->Name).c_str(), (dir + row->Name).c_str(), FALSE) != 0
                           : InstallOne(*row, dir, block);
        if (!ok) {
            std::printf("failed at %s\n", row->Name);
            return 1;
        }
    }
    QueryPerformanceCounter(&end);
    std::printf("%.4f\n", Seconds(start, end));
    return 0;
}
