#pragma once

#include "String.h"

// The program that the shell opens files of an extension (".doc") with, from
// the classes (the user's HKCU\Software\Classes before HKEY_CLASSES_ROOT,
// as Windows merges them): the extension's document type, then that type's
// "shell\open\command", whose first token is the program path (quotes
// removed, arguments dropped). False when extension is null or a key or
// value is missing; program is then left alone.

// The program path with environment-variable references expanded; for
// launching.
bool findAssociatedProgram(const char* extension, String& program);
// The program path as registered, unexpanded; for display.
bool findAssociatedProgramName(const char* extension, String& program);
