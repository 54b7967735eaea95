#include "Mutex.h"

#include <cwchar>

#include "StringConverter.h"

Mutex::~Mutex() {
    if (handle_ != nullptr) {
        ReleaseMutex(handle_);
        CloseHandle(handle_);
    }
    delete[] name_;
}

int Mutex::setName(const char* name) {
    wchar_t* wide = StringConverter::toWideChar(name);
    delete[] name_;
    name_ = wide;
    if (name_ == nullptr) return 0;
    for (wchar_t* p = name_; *p != L'\0'; ++p) {
        if (*p == L'\\') *p = L'/';
    }
    return static_cast<int>(std::wcslen(name_));
}
