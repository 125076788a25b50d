// Where the system starts setup.exe and the logon program. Neither needs
// the C run-time's start-up: the run-time library initialises itself when
// it is loaded, and what the programs take from it (strings, memory, the
// configuration files' streams, the environment) works without it. This
// entry does what that start-up did for them: runs the constructors of
// static objects, finds the command line's arguments and hands them to
// WinMain, and ends the process with what WinMain returned.
#include <windows.h>

// The static constructors, as the linker lists them: a count or -1, the
// constructors, a null at the end; they run last to first.
extern "C" void (*__CTOR_LIST__[])();

namespace {

void RunConstructors()
{
    size_t count = reinterpret_cast<size_t>(__CTOR_LIST__[0]);
    if (count == size_t(-1))
        for (count = 0; __CTOR_LIST__[count + 1]; count++) {
        }
    for (size_t i = count; i >= 1; i--)
        __CTOR_LIST__[i]();
}

// The command line past the program's own name (which may be quoted, or
// hold quoted parts) and the blanks after it.
char* Arguments(char* line)
{
    bool quoted = false;
    while (*line > ' ' || (*line && quoted)) {
        if (*line == '"')
            quoted = !quoted;
        line++;
    }
    while (*line && *line <= ' ')
        line++;
    return line;
}

}  // namespace

// The system calls this with a stack aligned to 4 bytes only on 32-bit
// Windows.
extern "C"
#ifndef _WIN64
    __attribute__((force_align_arg_pointer))
#endif
    void __cdecl KovaEntry()
{
    RunConstructors();
    STARTUPINFOA start = {};
    start.cb = sizeof start;
    GetStartupInfoA(&start);
    int show = start.dwFlags & STARTF_USESHOWWINDOW ? start.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess(UINT(WinMain(GetModuleHandleA(nullptr), nullptr, Arguments(GetCommandLineA()), show)));
}
