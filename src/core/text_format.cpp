// On Windows the system's C library formats (msvcrt's _vsnprintf, which
// leaves the terminator out and returns -1 when the text is cut); the
// compiler's own formatter would be linked into the program instead.
#include "core/text_format.h"

#include <cstdio>

bool FormatTextV(char* out, size_t size, const char* format, va_list args)
{
    if (size == 0)
        return false;
#ifdef _WIN32
    int n = _vsnprintf(out, size - 1, format, args);
    out[size - 1] = '\0';
    return n >= 0;
#else
    int n = std::vsnprintf(out, size, format, args);
    return n >= 0 && size_t(n) < size;
#endif
}

bool FormatText(char* out, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool fits = FormatTextV(out, size, format, args);
    va_end(args);
    return fits;
}

bool FormatWhole(char* out, size_t size, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    bool fits = FormatTextV(out, size, format, args);
    va_end(args);
    if (!fits && size)
        out[0] = '\0';
    return fits;
}
