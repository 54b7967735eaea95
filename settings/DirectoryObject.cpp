#include "DirectoryObject.h"

#include <activeds.h>

#include <cstdio>
#include <string>

#include "foundation/StringConverter.h"
#include "foundation/WinHandles.h"

namespace {
// The computer object's interface (IADsComputer, derived from IADs).
const wchar_t kComputerIid[] = L"{EFE3CC70-1D9F-11CF-B1F3-02608C9E7553}";
}

DirectoryObject::DirectoryObject(const char* name)
    : apartment_(std::make_unique<ComApartment>(ComApartment::Kind::Com)) {
    IID iid;
    HRESULT hr = IIDFromString(kComputerIid, &iid);
    if (SUCCEEDED(hr)) {
        std::unique_ptr<wchar_t[]> wideName = wideFromAnsi(name != nullptr ? name : "");
        if (wideName) {
            std::wstring widePath(L"WinNT://");
            widePath += wideName.get();
            hr = ADsGetObject(widePath.c_str(), iid, reinterpret_cast<void**>(object_.ReleaseAndGetAddressOf()));
            if (FAILED(hr)) object_.Reset();
        }
    }
    if (!object_) {
        std::printf("Failed 1\n");
        std::fflush(stdout);
        close();
    }
}

DirectoryObject::~DirectoryObject() { close(); }

bool DirectoryObject::getGuid(String& guid) {
    if (!object_) return false;
    unique_bstr value;
    if (FAILED(object_->get_GUID(value.put())) || !value) return false;
    std::unique_ptr<char[]> text = ansiFromWide(value.get());
    if (!text) return false;
    guid = text.get();
    return true;
}

void DirectoryObject::close() {
    object_.Reset();
    apartment_.reset();
}
