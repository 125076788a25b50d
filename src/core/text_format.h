// Bounded formatted text, always terminated. Only the conversions every C
// library of the system knows: %s %d %u %lu %X %ls, widths and %.*s.
#pragma once
#include <cstdarg>
#include <cstddef>

// False when the text did not fit; what fitted stays (a text for people).
bool FormatText(char* out, size_t size, const char* format, ...);
bool FormatTextV(char* out, size_t size, const char* format, va_list args);
// The whole text or none: false, with `out` empty, when it did not fit (a
// path, a key or a command, which cut would name something else).
bool FormatWhole(char* out, size_t size, const char* format, ...);
