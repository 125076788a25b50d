// The program's load configuration, which the loader reads before any code
// runs: the libraries its imports need in turn are taken from the system
// folder only (DependentLoadFlags, read by Windows 10 1607 and later), never
// from the installer's own folder. The linker points the image's load
// configuration directory at this symbol. The field the loader reads was
// called Reserved1 in older headers.
#include <windows.h>

namespace {

constexpr IMAGE_LOAD_CONFIG_DIRECTORY LoadConfiguration()
{
    IMAGE_LOAD_CONFIG_DIRECTORY configuration = {};
    configuration.Size = sizeof configuration;
    configuration.Reserved1 = LOAD_LIBRARY_SEARCH_SYSTEM32;
    return configuration;
}

}  // namespace

extern "C" const IMAGE_LOAD_CONFIG_DIRECTORY _load_config_used = LoadConfiguration();
