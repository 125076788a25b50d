#include "core/compressed_name.h"

#include <cstring>

bool CompressedName(char* path)
{
    const char* dot = std::strrchr(path, '.');
    if (dot == nullptr || dot[1] == '\0')
        return false;
    path[std::strlen(path) - 1] = '_';
    return true;
}
