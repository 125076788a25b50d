// Bounded formatted text. The text is always terminated; false when it did
// not fit (what fitted stays). Only the conversions every C library of the
// system knows: %s %d %u %lu %X %ls, widths and %.*s.
#pragma once
#include <cstdarg>
#include <cstddef>

bool FormatText(char* out, size_t size, const char* format, ...);
bool FormatTextV(char* out, size_t size, const char* format, va_list args);
