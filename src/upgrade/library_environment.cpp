// KOVAWIN_LIB as the installer started with it.
#include <cstdlib>

#include "core/product_tables.h"
#include "upgrade/finishing.h"

LibraryEnvironmentRecord LibraryEnvironment;

void InitLibraryEnvironment()
{
    LibraryEnvironment = LibraryEnvironmentOf(std::getenv(LibraryVariable));
}

void SetLibraryEnvironment(const char* value)
{
    LibraryEnvironment = LibraryEnvironmentOf(value);
}

namespace {

// Runs before the entry point, so that every later step sees the same value.
struct LibraryEnvironmentFiller {
    LibraryEnvironmentFiller() { InitLibraryEnvironment(); }
} libraryEnvironmentFiller;

} // namespace
