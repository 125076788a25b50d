// The file table these tests install: small rows of component 1.
#include "core/file_entry.h"

namespace {

FileEntry Row(const char* name, uint32_t size, uint32_t firstResource, uint32_t lastChunkSize)
{
    FileEntry row = {};
    row.ComponentKey = 1;
    row.Name = name;
    row.Size = size;
    row.Compressed = 1;
    row.Disk = 1;
    row.FirstResource = firstResource;
    row.ChunkCount = 1;
    row.ChunkSize = PayloadChunkSize;
    row.LastChunkSize = lastChunkSize;
    return row;
}

} // namespace

FileEntry FileTable[] = {
    Row("kovamain.exe", 1000, 100, 500),
    Row("kova.dat", 1, 101, 1),
    FileEntry{},
};
