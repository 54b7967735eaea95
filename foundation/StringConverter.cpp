#include "StringConverter.h"

#include <windows.h>

#include <new>

wchar_t* StringConverter::toWideChar(const char* text) {
    if (text == nullptr) return nullptr;
    int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (size <= 0) return nullptr;
    wchar_t* wide = new (std::nothrow) wchar_t[static_cast<size_t>(size) + 1];
    if (wide == nullptr) return nullptr;
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide, size) <= 0) {
        delete[] wide;
        return nullptr;
    }
    wide[size] = L'\0';
    return wide;
}

char* StringConverter::toMultiByte(const wchar_t* text) {
    if (text == nullptr) return nullptr;
    int size = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return nullptr;
    char* narrow = new (std::nothrow) char[static_cast<size_t>(size)];
    if (narrow == nullptr) return nullptr;
    if (WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, size, nullptr, nullptr) <= 0) {
        delete[] narrow;
        return nullptr;
    }
    return narrow;
}
