#include "wingui/ComApartment.h"

#include <ole2.h>

namespace {

HRESULT join(ComApartment::Kind kind) {
    switch (kind) {
        case ComApartment::Kind::Ole: return OleInitialize(nullptr);
        case ComApartment::Kind::Multithreaded: return CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        case ComApartment::Kind::Com: break;
    }
    return CoInitialize(nullptr);
}

}  // namespace

ComApartment::ComApartment(Kind kind) : kind_(kind), result_(join(kind)) {}

ComApartment::~ComApartment() { leave(); }

void ComApartment::leave() {
    if (!SUCCEEDED(result_)) return;
    if (kind_ == Kind::Ole) {
        OleUninitialize();
    } else {
        CoUninitialize();
    }
    result_ = CO_E_NOTINITIALIZED;
}
