#pragma once

#include <windows.h>

// Starts the program that the shell associates with an extension, alone or
// with a document, and never waits for it.
class ProgramLauncher {
public:
    ProgramLauncher();

    // Starts the program associated with extension (".doc") without a
    // document. 0 when it was started or no program is associated (nothing
    // is started then), otherwise the system error code.
    int runAssociatedProgram(const char* extension);
    // Starts the program associated with the extension of path (the text
    // from its last dot) with the document as its argument. 0 when started,
    // -1 when no program is associated or path has no dot, otherwise the
    // system error code.
    int openDocument(const char* path);

private:
    int launch(const char* commandLine);

    STARTUPINFOA startup_;
    PROCESS_INFORMATION process_;
};
