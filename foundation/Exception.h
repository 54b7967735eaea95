#pragma once

#include "Object.h"

// An error number chosen by the thrower and a formatted message.
class Exception : public Object {
public:
    // The message as given.
    Exception(const char* message, int code);
    // The message formatted printf-style into at most 2047 characters;
    // longer text is cut.
    static Exception formatted(int code, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    Exception(const Exception& other);
    Exception& operator=(const Exception& other);
    ~Exception() override;

    const char* getMessage() const { return message_; }
    int getErrorCode() const { return code_; }

private:
    char* message_ = nullptr;
    int code_ = 0;
};

class OutOfMemoryException : public Exception {
public:
    OutOfMemoryException(const char* message, int code) : Exception(message, code) {}
};
