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
    "/D=dir: install into dir (the last argument, unquoted; or \"/D=dir\" quoted whole, anywhere).";

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

// Takes a switch that may be given once: false (the line refused) the second time.
bool Once(CommandLine* out, int* given, const char* word, size_t length)
{
    if (*given) {
        Refuse(out, "given twice", word, length);
        return false;
    }
    *given = 1;
    return true;
}

// True when `text` (length `length`) is the switch `name` as a whole word,
// or starts with `name` when it ends in '=' (a switch with a value).
bool IsSwitchWord(const char* text, size_t length, const char* name)
{
    size_t n = std::strlen(name);
    if (length < n || !StartsWithIgnoringCase(text, name))
        return false;
    return name[n - 1] == '=' || length == n || IsBlank(text[n]);
}

// A destination that holds one of the switches as a word after a blank
// ("/D=C:\Apps\KOVA /S") is ambiguous: the switch may have been meant for
// the installer. A /S there keeps the refusal silent.
bool HoldsSwitch(CommandLine* out, const char* value, size_t length)
{
    bool found = false;
    for (size_t i = 1; i < length; ++i) {
        if (!IsBlank(value[i - 1]) || IsBlank(value[i]))
            continue;
        const char* word = value + i;
        size_t rest = length - i;
        if (IsSwitchWord(word, rest, "/S"))
            out->Unattended = 1;
        found = found || IsSwitchWord(word, rest, "/S") || IsSwitchWord(word, rest, "/LOG=") ||
                IsSwitchWord(word, rest, "/ALLUSERS");
    }
    return found;
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
            if (HoldsSwitch(out, value, length))
                Refuse(out, "a switch inside the destination (quote the whole /D= argument)", at, std::strlen(at));
            else if (Once(out, &out->DestinationGiven, at, std::strlen(at)) &&
                     !TakeValue(value, length, out->Destination))
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
            Once(out, &out->Unattended, start, length);
        } else if (StartsWith(start, length, "/LOG=")) {
            if (Once(out, &out->LogGiven, start, length) && !TakeValue(start + 5, length - 5, out->LogFile))
                Refuse(out, "no usable log file after /LOG=", start, length);
        } else if (StartsWith(start, length, "/D=")) {
            // Only a /D= quoted whole gets here ("/D=C:\Program Files\KOVA 17"):
            // it ends at its closing quote, like any other switch.
            if (Once(out, &out->DestinationGiven, start, length) && !TakeValue(start + 3, length - 3, out->Destination))
                Refuse(out, length > 3 ? "destination too long" : "no destination after /D=", start, length);
        } else if (length == 9 && StartsWith(start, length, "/ALLUSERS")) {
            Once(out, &out->AllUsers, start, length);
        } else if (length == 9 && StartsWith(start, length, "/USERSTEP")) {
            Once(out, &out->UserStep, start, length);
        } else if (StartsWith(start, length, "/LIB=")) {
            // An empty library is a library given, as with KOVAWIN_LIB.
            if (Once(out, &out->LibraryGiven, start, length) && length > 5 &&
                !TakeValue(start + 5, length - 5, out->Library))
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
