#include "ComError.h"

#include "LogText.h"

const char* ComError::getErrorMessage() const {
    if (message_.getContents() != nullptr) return message_.getContents();
    char* system = nullptr;
    DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(result_), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                  reinterpret_cast<char*>(&system), 0, nullptr);
    try {
        if (length > 0 && system != nullptr) {
            removeTrailingLineBreak(system);
            message_ = system;
        } else {
            char fallback[64];
            formatComFallbackMessage(result_, fallback, sizeof fallback);
            message_ = fallback;
        }
    } catch (...) {
        LocalFree(system);
        return "";
    }
    LocalFree(system);
    return message_.getContents();
}
