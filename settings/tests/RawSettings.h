#pragma once

#include <windows.h>

#include <string>

#include "settings/TarnwickRegistry.h"

// Direct access to the settings key of the test prefix, past the class under
// test: what is really stored.
namespace raw_settings {

inline void removeKey() { RegDeleteTreeA(HKEY_CURRENT_USER, TarnwickRegistry::kKey); }

inline bool keyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

inline void put(const char* name, DWORD type, const void* data, DWORD size) {
    RegSetKeyValueA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, name, type, data, size);
}

inline void putText(const char* name, const std::string& text) {
    put(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

inline void putNumber(const char* name, DWORD number) { put(name, REG_DWORD, &number, sizeof number); }

struct Value {
    bool present = false;
    DWORD type = REG_NONE;
    DWORD size = 0;
    std::string text;  // the raw bytes
};

inline Value get(const char* name) {
    Value value;
    char data[2048] = {};
    DWORD size = sizeof data;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return value;
    if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS) {
        value.present = true;
        value.size = size;
        value.text.assign(data, size);
    }
    RegCloseKey(key);
    return value;
}

// A text value as the program writes it: REG_SZ including the terminator.
inline bool isStoredText(const char* name, const std::string& text) {
    Value value = get(name);
    return value.present && value.type == REG_SZ && value.text == text + std::string(1, '\0');
}

inline DWORD valueCount() {
    HKEY key = nullptr;
    DWORD count = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
    RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                     nullptr);
    RegCloseKey(key);
    return count;
}

}  // namespace raw_settings
