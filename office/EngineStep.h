#pragma once

// One automation step of an engine: run it, take the result code it
// returns, and turn what it throws into a result code and a log line.

#include <utility>

#include "foundation/ComError.h"
#include "foundation/Log.h"

namespace engine_step {

// How a step that throws is reported. comError is a log format given the
// method name, the error number (%x) and the server's message; other is
// given the method name alone. Without other, anything but a ComError passes
// on to the caller (an application that could not be started, for one).
struct Failure {
    const char* method;
    int code;
    const char* comError;
    const char* other = nullptr;
};

template <class Step>
int run(const Failure& failure, Step&& step) {
    try {
        return std::forward<Step>(step)();
    } catch (const ComError& e) {
        logError(failure.comError, failure.method, static_cast<unsigned>(e.getError()), e.getErrorMessage());
        return failure.code;
    } catch (...) {
        if (failure.other == nullptr) throw;
        logError(failure.other, failure.method);
        return failure.code;
    }
}

}  // namespace engine_step
