#pragma once

#include "foundation/String.h"

// A new GUID as 38 characters in braces, upper-case hexadecimal; false when
// none can be made.
bool newGuidText(String& text);
