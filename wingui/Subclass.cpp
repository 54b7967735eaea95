#include "wingui/Subclass.h"

#include "foundation/Log.h"

namespace {

// The object is kept in a window property, as wingui/Window keeps its own.
// The previous procedure is kept beside it, under a name that tells its
// form, for the time after remove() when ours could not leave the chain.
const char kObjectProperty[] = "wingui.Subclass";
const char kPreviousAnsiProperty[] = "wingui.Subclass.previousA";
const char kPreviousUnicodeProperty[] = "wingui.Subclass.previousW";

const char* previousProperty(Subclass::Form form) {
    return form == Subclass::Form::Unicode ? kPreviousUnicodeProperty : kPreviousAnsiProperty;
}

WNDPROC currentProcedure(HWND window, Subclass::Form form) {
    return reinterpret_cast<WNDPROC>(form == Subclass::Form::Unicode ? GetWindowLongPtrW(window, GWLP_WNDPROC)
                                                                     : GetWindowLongPtrA(window, GWLP_WNDPROC));
}

WNDPROC replaceProcedure(HWND window, Subclass::Form form, WNDPROC procedure) {
    const auto value = reinterpret_cast<LONG_PTR>(procedure);
    return reinterpret_cast<WNDPROC>(form == Subclass::Form::Unicode
                                         ? SetWindowLongPtrW(window, GWLP_WNDPROC, value)
                                         : SetWindowLongPtrA(window, GWLP_WNDPROC, value));
}

// A message for a window whose object has been removed while our procedure
// stayed in its chain: straight to the previous procedure.
LRESULT passOnUnbound(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (auto previous = reinterpret_cast<WNDPROC>(GetPropA(window, kPreviousUnicodeProperty))) {
        result = CallWindowProcW(previous, window, message, wParam, lParam);
    } else if (auto previousAnsi = reinterpret_cast<WNDPROC>(GetPropA(window, kPreviousAnsiProperty))) {
        result = CallWindowProcA(previousAnsi, window, message, wParam, lParam);
    } else {
        result = DefWindowProcA(window, message, wParam, lParam);
    }
    if (message == WM_NCDESTROY) {
        RemovePropA(window, kPreviousUnicodeProperty);
        RemovePropA(window, kPreviousAnsiProperty);
    }
    return result;
}

}  // namespace

Subclass::~Subclass() { remove(); }

bool Subclass::install(HWND window, Form form) {
    if (window_ != nullptr || window == nullptr || !IsWindow(window)) return false;
    if (GetPropA(window, kObjectProperty) != nullptr || GetPropA(window, kPreviousAnsiProperty) != nullptr ||
        GetPropA(window, kPreviousUnicodeProperty) != nullptr) {
        return false;
    }
    // Bound before the procedure is in place, so that its first message
    // finds the object.
    window_ = window;
    form_ = form;
    SetPropA(window, kObjectProperty, this);
    previous_ = replaceProcedure(window, form, &procedure);
    if (previous_ == nullptr) {
        RemovePropA(window, kObjectProperty);
        window_ = nullptr;
        return false;
    }
    SetPropA(window, previousProperty(form), reinterpret_cast<HANDLE>(previous_));
    return true;
}

void Subclass::remove() {
    if (window_ == nullptr) return;
    HWND window = window_;
    window_ = nullptr;
    if (!IsWindow(window)) return;
    RemovePropA(window, kObjectProperty);
    if (currentProcedure(window, form_) == &procedure) {
        replaceProcedure(window, form_, previous_);
        RemovePropA(window, previousProperty(form_));
    }
}

LRESULT Subclass::deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        return handleMessage(message, wParam, lParam);
    } catch (...) {
        logError("%s,1,Unexpected exception at message 0x%x", logName_, message);
    }
    return passOn(message, wParam, lParam);
}

LRESULT Subclass::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return passOn(message, wParam, lParam);
}

LRESULT Subclass::passOn(UINT message, WPARAM wParam, LPARAM lParam) {
    return form_ == Form::Unicode ? CallWindowProcW(previous_, window_, message, wParam, lParam)
                                  : CallWindowProcA(previous_, window_, message, wParam, lParam);
}

LRESULT CALLBACK Subclass::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = static_cast<Subclass*>(GetPropA(window, kObjectProperty));
    if (object == nullptr) return passOnUnbound(window, message, wParam, lParam);
    const LRESULT result = object->deliver(message, wParam, lParam);
    if (message != WM_NCDESTROY) return result;
    // The window's last message: the previous procedure goes back in place
    // and the object lets go of the window.
    object->remove();
    RemovePropA(window, kPreviousUnicodeProperty);
    RemovePropA(window, kPreviousAnsiProperty);
    try {
        object->onWindowGone();
    } catch (...) {
        logError("%s,2,Unexpected exception after the window was destroyed", object->logName_);
    }
    return result;
}
