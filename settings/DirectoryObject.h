#pragma once

#include "foundation/Object.h"
#include "foundation/String.h"

struct IADs;

// The directory-service object "WinNT://" + name, opened through ADSI on the
// calling thread. Initialises COM for its lifetime.
class DirectoryObject : public Object {
public:
    explicit DirectoryObject(const char* name);
    ~DirectoryObject() override;
    DirectoryObject(const DirectoryObject&) = delete;
    DirectoryObject& operator=(const DirectoryObject&) = delete;

    bool isOpen() const { return object_ != nullptr; }
    // The object's GUID property as ANSI text; false when it cannot be read.
    bool getGuid(String& guid);
    void close();

private:
    IADs* object_ = nullptr;
    bool comInitialised_ = false;
};
