#pragma once

#include <windows.h>
#include <ole2.h>
#include <iads.h>

#include <memory>

#include <wrl/client.h>

#include "foundation/Object.h"
#include "foundation/String.h"
#include "wingui/ComApartment.h"

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
    // Releases the object and leaves COM.
    void close();

private:
    // Held apart so that close() can leave the apartment after releasing the
    // object, as the destructor would.
    std::unique_ptr<ComApartment> apartment_;
    Microsoft::WRL::ComPtr<IADsComputer> object_;
};
