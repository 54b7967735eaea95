#pragma once

#include <windows.h>

#include "Object.h"
#include "PathScan.h"
#include "String.h"

// A folder path that can be tested for and created with all its parents.
class Directory : public Object {
public:
    // Copies path; null gives an empty path.
    explicit Directory(const char* path);

    // True when the path names an existing file or folder.
    bool exists();
    // Creates the folder and every missing parent; attributes may be null.
    // False for "", "." and "..", for paths of MAX_PATH characters or more,
    // and when a level cannot be created (the levels made so far stay).
    bool create(SECURITY_ATTRIBUTES* attributes);

    const char* getPath() const { return path_.getContents(); }

private:
    String path_;
};

// How the ANSI code page codePage splits bytes into characters: the
// Shift_JIS table for 932, the system's lead bytes for other double-byte code
// pages, none for single-byte ones.
DoubleByteRule doubleByteRuleFor(unsigned codePage);
