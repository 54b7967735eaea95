#pragma once

#include <windows.h>

#include "Object.h"
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
