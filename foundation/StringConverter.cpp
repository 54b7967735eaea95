#include "StringConverter.h"

#include <windows.h>

#include <new>

std::unique_ptr<wchar_t[]> wideFromCodePage(unsigned codePage, const char* text) {
    if (text == nullptr) return nullptr;
    int size = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (size <= 0) return nullptr;
    // One character more than the text needs, always a terminator.
    std::unique_ptr<wchar_t[]> wide(new (std::nothrow) wchar_t[static_cast<size_t>(size) + 1]);
    if (!wide) return nullptr;
    if (MultiByteToWideChar(codePage, 0, text, -1, wide.get(), size) <= 0) return nullptr;
    wide[static_cast<size_t>(size)] = L'\0';
    return wide;
}

std::unique_ptr<char[]> codePageFromWide(unsigned codePage, const wchar_t* text) {
    if (text == nullptr) return nullptr;
    int size = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return nullptr;
    std::unique_ptr<char[]> narrow(new (std::nothrow) char[static_cast<size_t>(size)]);
    if (!narrow) return nullptr;
    if (WideCharToMultiByte(codePage, 0, text, -1, narrow.get(), size, nullptr, nullptr) <= 0) return nullptr;
    return narrow;
}

wchar_t* StringConverter::toWideChar(const char* text) { return wideFromCodePage(CP_ACP, text).release(); }

char* StringConverter::toMultiByte(const wchar_t* text) { return codePageFromWide(CP_ACP, text).release(); }
