#include "core/command_line.h"
#include "core/ascii.h"
#include "core/text_format.h"

#include <cstdio>
#include <cstring>

const char CommandLineUsage[] =
    "setup.exe [/S] [/ALLUSERS] [/LOG=file] [/D=dir]\n\n"
    "/S: install without asking anything.\n"
    "/ALLUSERS: with /S, give every user the configuration at the next logon.\n"
    "/LOG=file: write a log of the installation.\n"
    "/D=dir: install into dir (the last argument, unquoted).";

namespace {

// True when `word` (length `length`) starts with `prefix`, case ignored.
bool StartsWith(const char* word, size_t length, const char* prefix)
{
    return length >= std::strlen(prefix) && StartsWithIgnoringCase(word, prefix);
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Keeps the first reason; the rest of the line is still read, so that a /S
// after a bad word still keeps the run silent.
void Refuse(CommandLine* out, const char* what, const char* word, size_t length)
{
    if (!out->Error[0])
        FormatText(out->Error, sizeof out->Error, "%s: %.*s", what, int(length), word);
}

// Copies a value (its quotes taken off) into `to`; false when it is empty or too long.
bool TakeValue(const char* value, size_t length, char* to)
{
    if (length >= 2 && value[0] == '"' && value[length - 1] == '"') {
        ++value;
        length -= 2;
    }
    if (length == 0 || length >= size_t(CommandLinePathSize))
        return false;
    std::memcpy(to, value, length);
    to[length] = '\0';
    return true;
}

}  // namespace

bool ParseCommandLine(const char* arguments, CommandLine* out)
{
    std::memset(out, 0, sizeof *out);
    const char* at = arguments ? arguments : "";
    for (;;) {
        while (IsBlank(*at))
            ++at;
        if (!*at)
            return !out->Error[0];
        // /D= takes the rest of the line, blanks and all.
        if (StartsWith(at, std::strlen(at), "/D=")) {
            const char* value = at + 3;
            size_t length = std::strlen(value);
            while (length > 0 && IsBlank(value[length - 1]))
                --length;
            if (TakeValue(value, length, out->Destination))
                out->DestinationGiven = 1;
            else
                Refuse(out, length ? "destination too long" : "no destination after /D=", at, std::strlen(at));
            return !out->Error[0];
        }
        // Any other word ends at a blank outside quotes.
        const char* start = at;
        bool quoted = false;
        while (*at && (quoted || !IsBlank(*at))) {
            if (*at == '"')
                quoted = !quoted;
            ++at;
        }
        size_t length = size_t(at - start);
        // A switch quoted whole ("/LOG=C:\deploy logs\kova.log") is the switch.
        if (length >= 2 && start[0] == '"' && start[length - 1] == '"') {
            ++start;
            length -= 2;
        }
        if (length == 2 && StartsWith(start, length, "/S")) {
            out->Unattended = 1;
        } else if (StartsWith(start, length, "/LOG=")) {
            if (TakeValue(start + 5, length - 5, out->LogFile))
                out->LogGiven = 1;
            else
                Refuse(out, "no usable log file after /LOG=", start, length);
        } else if (length == 9 && StartsWith(start, length, "/ALLUSERS")) {
            out->AllUsers = 1;
        } else if (length == 9 && StartsWith(start, length, "/USERSTEP")) {
            out->UserStep = 1;
        } else if (StartsWith(start, length, "/LIB=")) {
            if (length == 5 || TakeValue(start + 5, length - 5, out->Library))
                out->LibraryGiven = 1;  // an empty library is a library given, as with KOVAWIN_LIB
            else
                Refuse(out, "library too long", start, length);
        } else {
            Refuse(out, "unknown argument", start, length);
        }
    }
}

const char* ExitReason(int exitCode)
{
    switch (exitCode) {
    case ExitInstalled:
        return "installed";
    case ExitProductRunning:
        return "the product is running";
    case ExitDestinationUnusable:
        return "the destination cannot be used";
    case ExitSystemUnsupported:
        return "the system is not supported";
    case ExitGroupNotCreated:
        return "installed, but the program group could not be made";
    case ExitUserStopped:
        return "stopped by the user";
    case ExitFailed:
        return "the installation failed";
    case ExitAnotherSetupRunning:
        return "another setup of this product is running";
    case ExitBadCommandLine:
        return "the command line was refused";
    default:
        return "unknown";
    }
}
