#include "DirectoryObject.h"

#include <windows.h>
#include <ole2.h>
#include <activeds.h>
#include <iads.h>

#include <cstdio>
#include <string>

#include "foundation/StringConverter.h"
#include "foundation/WinHandles.h"

namespace {
const wchar_t kIadsIid[] = L"{FD8256D0-FD15-11CE-ABC4-02608C9E7553}";
}

DirectoryObject::DirectoryObject(const char* name) {
    // A thread already in another apartment keeps it; only a successful
    // initialisation here is undone later.
    comInitialised_ = SUCCEEDED(CoInitialize(nullptr));

    IID iid;
    HRESULT hr = IIDFromString(kIadsIid, &iid);
    if (SUCCEEDED(hr)) {
        wchar_t* wideName = StringConverter::toWideChar(name != nullptr ? name : "");
        if (wideName != nullptr) {
            std::wstring widePath(L"WinNT://");
            widePath += wideName;
            delete[] wideName;
            void* object = nullptr;
            hr = ADsGetObject(widePath.c_str(), iid, &object);
            if (SUCCEEDED(hr)) object_ = static_cast<IADs*>(object);
        }
    }
    if (object_ == nullptr) {
        std::printf("Failed 1\n");
        std::fflush(stdout);
        if (comInitialised_) CoUninitialize();
        comInitialised_ = false;
    }
}

DirectoryObject::~DirectoryObject() { close(); }

bool DirectoryObject::getGuid(String& guid) {
    if (object_ == nullptr) return false;
    unique_bstr value;
    if (FAILED(object_->get_GUID(value.put())) || !value) return false;
    char* text = StringConverter::toMultiByte(value.get());
    if (text == nullptr) return false;
    guid = text;
    delete[] text;
    return true;
}

void DirectoryObject::close() {
    if (object_ != nullptr) {
        object_->Release();
        object_ = nullptr;
    }
    if (comInitialised_) {
        CoUninitialize();
        comInitialised_ = false;
    }
}
