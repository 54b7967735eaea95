#pragma once

// The jobs' decisions per path that need no Win32: which Office application a
// path counts for, and which step a path takes in the per-file loop, both
// from the path's file kind (classify's fileKindOf).

// How many files of a job each Office application will handle.
struct ApplicationCounts {
    int word = 0;
    int powerPoint = 0;
    int excel = 0;
};

// Counts path for the application of its file kind when that is Word,
// PowerPoint or Excel; other paths count for none.
void countForApplication(const char* path, ApplicationCounts& counts);

enum class FileStep {
    Office,   // protect or unprotect through the Office session
    Skipped,  // an Office Open XML file while no started application is of version 12: row "SKIPPED"
    Pdf,      // through pdftk
    NoRow,    // ".xps": not attempted, no row, counted as failed
};

// The step for path. Every path that ends neither in ".pdf" nor in ".xps"
// goes to the Office session, which refuses what it cannot handle.
FileStep fileStepFor(const char* path, bool office12Installed);

// One of the nine Office Open XML extensions (FileType::isOffice2007File).
bool isOfficeOpenXml(const char* path);
