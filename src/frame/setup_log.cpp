#include "frame/setup_log.h"
#include "core/text_format.h"
#include "frame/private_files.h"

#include <windows.h>

#include <cstdarg>
#include <cstring>

namespace {

HANDLE LogFile = INVALID_HANDLE_VALUE;

// A line's text, in UTF-16 and in UTF-8: beside the stack (no frame of the
// product's code reaches a page), shared by the threads that log, one line
// at a time.
struct LineBuffers {
    char Text[2048];
    wchar_t Wide[2048];
    char Utf8[6144];
} Line;
volatile LONG LineTaken = 0;

// A log of this setup begins with the time stamp of its first line.
bool IsEarlierLog(HANDLE file)
{
    const char pattern[] = "dddd-dd-dd dd:dd:dd.ddd ";
    char start[sizeof pattern - 1];
    DWORD got = 0;
    if (!ReadFile(file, start, sizeof start, &got, nullptr) || got != sizeof start)
        return false;
    for (size_t i = 0; i < sizeof start; ++i)
        if (pattern[i] == 'd' ? start[i] < '0' || start[i] > '9' : start[i] != pattern[i])
            return false;
    return true;
}

}  // namespace

bool OpenSetupLog(const char* path)
{
    CloseSetupLog();
    LogFile = CreateFreshFile(path, IsEarlierLog);
    return LogFile != INVALID_HANDLE_VALUE;
}

void LogLine(const char* format, ...)
{
    if (LogFile == INVALID_HANDLE_VALUE)
        return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    while (InterlockedExchange(&LineTaken, 1))
        Sleep(1);
    char* text = Line.Text;
    // A line too long for the buffer keeps what fitted.
    FormatText(text, sizeof Line.Text - 2, "%04u-%02u-%02u %02u:%02u:%02u.%03u ", now.wYear, now.wMonth, now.wDay,
               now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
    size_t stamp = std::strlen(text);
    va_list args;
    va_start(args, format);
    FormatTextV(text + stamp, sizeof Line.Text - 2 - stamp, format, args);
    va_end(args);
    int length = int(std::strlen(text));
    text[length++] = '\r';
    text[length++] = '\n';
    // Paths and texts come in the system's code page; the log is UTF-8.
    int units = MultiByteToWideChar(CP_ACP, 0, text, length, Line.Wide, sizeof Line.Wide / sizeof *Line.Wide);
    int bytes = units > 0 ? WideCharToMultiByte(CP_UTF8, 0, Line.Wide, units, Line.Utf8, sizeof Line.Utf8, nullptr, nullptr)
                          : 0;
    DWORD written = 0;
    if (bytes > 0)
        WriteFile(LogFile, Line.Utf8, DWORD(bytes), &written, nullptr);
    InterlockedExchange(&LineTaken, 0);
}

void CloseSetupLog()
{
    if (LogFile != INVALID_HANDLE_VALUE)
        CloseHandle(LogFile);
    LogFile = INVALID_HANDLE_VALUE;
}
