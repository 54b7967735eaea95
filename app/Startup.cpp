#include "Startup.h"

bool startupCancelled = false;

namespace {
HINSTANCE programInstance = nullptr;
}  // namespace

void Startup_SetInstance(HINSTANCE instance) { programInstance = instance; }

HINSTANCE Startup_GetInstance() { return programInstance; }
