// Functions that only some of the systems the installer runs on have: looked
// up at run time, so that the program still starts where they are missing.
#pragma once
#include <windows.h>

// `name` in `module`, a library the process has loaded already (kernel32,
// user32; by name or by handle); null when the system lacks it.
template <typename Function>
Function SystemFunction(HMODULE module, const char* name)
{
    FARPROC found = module ? GetProcAddress(module, name) : nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(found));
}

template <typename Function>
Function SystemFunction(const char* module, const char* name)
{
    return SystemFunction<Function>(GetModuleHandleA(module), name);
}
