// File-system questions and the creation of a directory with its parents.
#include <windows.h>
#include <cstring>

#include "pages/paths.h"

namespace {

bool IsAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool LooksLikeDrivePath(const char* path)
{
    if (!IsAsciiLetter(path[0]))
        return false;
    return path[1] == ':' || (path[1] != '\0' && path[2] == '\\');
}

} // namespace

bool IsDirectory(const char* path)
{
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsExistingFile(const char* path)
{
    if (!path || !path[0])
        return false;
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return false;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool CreateDirectoryPath(const char* path, SECURITY_ATTRIBUTES* firstMade)
{
    if (!path || !LooksLikeDrivePath(path))
        return false;
    // Room for the longest path the destination can hold (259 characters),
    // the backslash added below and the terminator. Anything longer is
    // refused before a directory is made.
    char work[MAX_PATH + 2];
    size_t length = std::strlen(path);
    if (length >= MAX_PATH)
        return false;
    std::memcpy(work, path, length + 1);
    if (work[length - 1] != '\\') {
        work[length] = '\\';
        work[length + 1] = '\0';
        length++;
    }
    for (size_t i = 3; i < length; i++) {
        if (work[i] != '\\')
            continue;
        work[i] = '\0';
        if (!IsDirectory(work)) {
            if (!CreateDirectoryA(work, firstMade)) {
                MessageBeep(0);
                return false;
            }
            firstMade = nullptr;
        }
        work[i] = '\\';
    }
    return true;
}
