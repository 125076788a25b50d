// The file table these tests install: small rows of component 1.
#include "payload/file_entry.h"

FileEntry FileTable[] = {
    {1, "kovamain.exe", 1000, 0, 1, 0, 0, 1, 100, 1, PayloadChunkSize, 500, 0, 0, 0, 0},
    {1, "kova.dat", 1, 0, 1, 0, 0, 1, 101, 1, PayloadChunkSize, 1, 0, 0, 0, 0},
    {0, nullptr, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
};
