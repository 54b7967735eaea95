#include "Startup.h"

#include "wingui/ProcessWindows.h"

bool startupCancelled = false;

// The lower layers read the instance from wingui, which keeps it.
void Startup_SetInstance(HINSTANCE instance) { Program_SetInstance(instance); }

HINSTANCE Startup_GetInstance() { return Program_GetInstance(); }
