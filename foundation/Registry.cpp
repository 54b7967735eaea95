#include "Registry.h"

#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "ModuleName.h"
#include "RegistryText.h"
#include "WinHandles.h"

namespace {

constexpr int kValueBufferSize = 1024;
constexpr int kGeometryBufferSize = 128;
const char kProfileRoot[] = "Software\\Merrowind\\Application";
const char kWindowsKey[] = "Windows";
const char kGeometryValue[] = "Geometry";

const char* orEmpty(const char* text) { return text != nullptr ? text : ""; }

}  // namespace

REGSAM Registry::access(REGSAM rights) const {
    switch (view_) {
        case RegistryView::Bits32: return rights | KEY_WOW64_32KEY;
        case RegistryView::Bits64: return rights | KEY_WOW64_64KEY;
        case RegistryView::Own: break;
    }
    return rights;
}

bool Registry::getString(const char* subKey, const char* valueName, char* buffer, int size) {
    if (buffer == nullptr || size <= 0) return false;
    unique_hkey key;
    if (RegOpenKeyExA(root_, orEmpty(subKey), 0, access(KEY_READ), key.put()) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(size);
    if (RegQueryValueExA(key.get(), orEmpty(valueName), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                         &bytes) != ERROR_SUCCESS) {
        return false;
    }
    // A value stored without its terminator may fill the buffer completely:
    // it fits only when the terminator fits too.
    if (bytes > 0 && buffer[bytes - 1] == '\0') return true;
    if (bytes >= static_cast<DWORD>(size)) return false;
    buffer[bytes] = '\0';
    return true;
}

bool Registry::getString(const char* subKey, const char* valueName, String& value) {
    char buffer[kValueBufferSize];
    if (!getString(subKey, valueName, buffer, kValueBufferSize)) return false;
    if (trimRegistryText(buffer) == 0) return false;
    try {
        value = buffer;
    } catch (...) {
        return false;
    }
    return true;
}

bool Registry::getInteger(const char* subKey, const char* valueName, int& value) {
    unique_hkey key;
    if (RegOpenKeyExA(root_, orEmpty(subKey), 0, access(KEY_READ), key.put()) != ERROR_SUCCESS) return false;
    DWORD data = 0;
    DWORD bytes = sizeof data;
    if (RegQueryValueExA(key.get(), orEmpty(valueName), nullptr, nullptr, reinterpret_cast<BYTE*>(&data),
                         &bytes) != ERROR_SUCCESS) {
        return false;
    }
    value = static_cast<int>(data);
    return true;
}

bool Registry::getNumber(const char* subKey, const char* valueName, int& value) {
    String text;
    if (!getString(subKey, valueName, text)) return false;
    value = parseDecimalNumber(text.getContents());
    return true;
}

bool Registry::setString(const char* subKey, const char* valueName, const char* value) {
    if (value == nullptr) return false;
    unique_hkey key;
    if (RegCreateKeyExA(root_, orEmpty(subKey), 0, nullptr, REG_OPTION_NON_VOLATILE, access(KEY_WRITE), nullptr,
                        key.put(), nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::size_t bytes = std::strlen(value) + 1;
    if (bytes > 0xFFFFFFFFu) return false;
    return RegSetValueExA(key.get(), orEmpty(valueName), 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                          static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

bool Registry::setInteger(const char* subKey, const char* valueName, int value) {
    unique_hkey key;
    if (RegCreateKeyExA(root_, orEmpty(subKey), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const DWORD data = static_cast<DWORD>(value);
    return RegSetValueExA(key.get(), orEmpty(valueName), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data),
                          sizeof data) == ERROR_SUCCESS;
}

bool Registry::createKey(const char* subKey) {
    unique_hkey key;
    if (RegOpenKeyExA(root_, orEmpty(subKey), 0, access(KEY_READ), key.put()) == ERROR_SUCCESS) return true;
    return RegCreateKeyExA(root_, orEmpty(subKey), 0, nullptr, REG_OPTION_NON_VOLATILE, access(KEY_READ), nullptr,
                           key.put(), nullptr) == ERROR_SUCCESS;
}

bool LocalMachineRegistry::getInstalledString(const char* subKey, const char* valueName, char* buffer, int size) {
    return LocalMachineRegistry(RegistryView::Bits32).getString(subKey, valueName, buffer, size) ||
           LocalMachineRegistry(RegistryView::Bits64).getString(subKey, valueName, buffer, size);
}

Profile::Profile(const char* name) {
    String moduleName;
    if (name == nullptr) {
        getModuleName(moduleName);
        name = orEmpty(moduleName.getContents());
    }
    key_ = (std::string(kProfileRoot) + "\\" + name).c_str();
    createKey(key_.getContents());
}

std::string Profile::windowsKey() const { return std::string(orEmpty(key_.getContents())) + "\\" + kWindowsKey; }

bool Profile::getGeometry(int& left, int& top, int& width, int& height) {
    left = top = width = height = CW_USEDEFAULT;
    char buffer[kGeometryBufferSize];
    if (!getString(windowsKey().c_str(), kGeometryValue, buffer, kGeometryBufferSize)) return false;
    int values[4] = {left, top, width, height};
    parseGeometry(buffer, values);
    left = values[0];
    top = values[1];
    width = values[2];
    height = values[3];
    return true;
}

bool Profile::setGeometry(const RECT& rect) {
    char text[64];
    if (!formatGeometry(text, sizeof text, rect.left, rect.top, rect.right, rect.bottom)) return false;
    return setString(windowsKey().c_str(), kGeometryValue, text);
}

bool Guid::toString(String& text) {
    GUID guid;
    if (FAILED(CoCreateGuid(&guid))) return false;
    wchar_t wide[40];
    if (StringFromGUID2(guid, wide, 40) != 39) return false;
    // The GUID text is plain ASCII.
    char narrow[40];
    for (int i = 0; i < 40; ++i) narrow[i] = static_cast<char>(wide[i]);
    try {
        text = narrow;
    } catch (...) {
        return false;
    }
    return true;
}
