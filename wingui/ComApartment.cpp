#include "wingui/ComApartment.h"

#include <ole2.h>

ComApartment::ComApartment(Kind kind)
    : kind_(kind), result_(kind == Kind::Ole ? OleInitialize(nullptr) : CoInitialize(nullptr)) {}

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
