#include <windows.h>

#include "payload/copy_engine.h"

HGLOBAL LoadPayloadChunk(uint32_t id, uint32_t* size)
{
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id & 0xFFFF), MAKEINTRESOURCEA(10));
    if (found == nullptr)
        return nullptr;
    if (size != nullptr)
        *size = SizeofResource(nullptr, found);
    return LoadResource(nullptr, found);
}
