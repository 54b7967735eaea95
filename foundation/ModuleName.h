#pragma once

#include "String.h"

// The running program's file name without folder and extension (for the
// shipped program "Tarnwick"). It names the log and the profile key. False
// when the module file name cannot be read or converted.
bool getModuleName(String& name);
