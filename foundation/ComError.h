#pragma once

#include <windows.h>

#include "Object.h"
#include "String.h"

// A failed COM call: its HRESULT and the message text that the log carries.
// Thrown by value by the COM call wrappers and caught by the Office engines.
class ComError : public Object {
public:
    explicit ComError(HRESULT result) : result_(result) {}
    // With the text the failing server gave (for instance an automation
    // server's exception description); null or empty means the system's.
    ComError(HRESULT result, const char* message) : result_(result) {
        if (message != nullptr && message[0] != '\0') message_ = message;
    }

    HRESULT getError() const { return result_; }
    // The system's message for the HRESULT without its trailing line break;
    // when the system has none, "IDispatch error #n" for interface codes
    // 0x80040200-0x8004FFFF, otherwise "Unknown error 0x...".
    const char* getErrorMessage() const;

private:
    HRESULT result_;
    mutable String message_;
};

// Throws ComError for a failed result.
inline void throwIfFailed(HRESULT result) {
    if (FAILED(result)) throw ComError(result);
}
