#pragma once

#include <windows.h>

#include "Object.h"

// Holds a mutex handle and its name. Releases and closes the handle, when
// one is held, on destruction.
class Mutex : public Object {
public:
    Mutex() = default;
    ~Mutex() override;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    // Replaces the name by name (ANSI) in UTF-16 with every backslash turned
    // into a forward slash. Returns its length in characters; a null name or
    // one that cannot be converted leaves no name and returns 0.
    int setName(const char* name);

    const wchar_t* getName() const { return name_; }
    HANDLE getHandle() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
    wchar_t* name_ = nullptr;
};
