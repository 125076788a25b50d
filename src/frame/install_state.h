// The installation's process-wide state outside the windows: the descriptor
// ConfigureInstallation fills at start-up, and the components the user gets
// (both in this product). Defined in frame_state.cpp.
#pragma once
#include "core/descriptor.h"

extern InstallDescriptor Descriptor;
extern int ProgramSelected;
extern int DatabaseSelected;

// Selects component 1 and then 2 of Descriptor, as ProgramSelected and
// DatabaseSelected say.
void SelectChosenComponents();
