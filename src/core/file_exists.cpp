#include "core/file_exists.h"

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

bool PathExists(const char* path)
{
#if defined(_WIN32)
    return path && _access(path, 0) == 0;
#else
    return path && access(path, F_OK) == 0;
#endif
}
