#include "Journal.h"

#include <cstdlib>
#include <vector>

namespace office_standin {

const wchar_t kConfigKey[] = L"Software\\Tarnwick Stand-ins\\Office";

namespace {

std::wstring readString(HKEY root, const std::wstring& key, const std::wstring& value) {
    wchar_t buffer[2048];
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    HKEY h;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return std::wstring();
    LONG rc = RegQueryValueExW(h, value.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::wstring();
    buffer[size / sizeof(wchar_t)] = 0;
    return buffer;
}

std::wstring widen(const std::string& s) {
    if (s.empty()) return std::wstring();
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(std::size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), &w[0], n);
    return w;
}

}  // namespace

Fault faultFor(const std::string& qualifiedMember) {
    Fault f;
    std::wstring text = readString(HKEY_CURRENT_USER, std::wstring(kConfigKey) + L"\\Faults", widen(qualifiedMember));
    if (text.empty()) return f;
    auto codeAfter = [&](std::size_t at) {
        return HRESULT(std::wcstoul(text.c_str() + at, nullptr, 0));
    };
    if (text.rfind(L"fail ", 0) == 0) {
        f.kind = Fault::Fail;
        f.code = codeAfter(5);
    } else if (text.rfind(L"hresult ", 0) == 0) {
        f.kind = Fault::Hresult;
        f.code = codeAfter(8);
    } else if (text.rfind(L"return ", 0) == 0) {
        f.kind = Fault::Return;
        f.code = codeAfter(7);
    } else if (text == L"nothing") {
        f.kind = Fault::Nothing;
    }
    return f;
}

void journal(const std::string& line) {
    std::wstring path = readString(HKEY_CURRENT_USER, kConfigKey, L"Journal");
    if (path.empty()) return;
    // Several server processes append to one file: retry while another holds it.
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE h = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            std::string text = line + "\r\n";
            DWORD written = 0;
            WriteFile(h, text.data(), DWORD(text.size()), &written, nullptr);
            CloseHandle(h);
            return;
        }
        Sleep(10);
    }
}

}  // namespace office_standin
