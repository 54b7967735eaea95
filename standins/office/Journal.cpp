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
    // "A | B": this call gets A, the next ones B ("A |" or "A once": this
    // call only).
    std::wstring rest;
    bool consumed = false;
    const std::wstring once = L" once";
    std::size_t bar = text.find(L" |");
    if (bar != std::wstring::npos) {
        rest = text.substr(bar + 2);
        while (!rest.empty() && rest[0] == L' ') rest.erase(0, 1);
        text.erase(bar);
        consumed = true;
    } else if (text.size() > once.size() && text.compare(text.size() - once.size(), once.size(), once) == 0) {
        text.erase(text.size() - once.size());
        consumed = true;
    }
    if (consumed) {
        HKEY h;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kConfigKey) + L"\\Faults").c_str(), 0, KEY_SET_VALUE, &h) ==
            ERROR_SUCCESS) {
            std::wstring name = widen(qualifiedMember);
            if (rest.empty()) {
                RegDeleteValueW(h, name.c_str());
            } else {
                RegSetValueExW(h, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(rest.c_str()),
                               DWORD((rest.size() + 1) * sizeof(wchar_t)));
            }
            RegCloseKey(h);
        }
    }
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
    } else if (text.rfind(L"hold ", 0) == 0) {
        f.kind = Fault::Hold;
        f.code = HRESULT(std::wcstoul(text.c_str() + 5, nullptr, 0));
    }
    return f;
}

namespace {

struct HeldFile {
    HANDLE file;
    DWORD ms;
};

DWORD WINAPI releaseLater(void* argument) {
    HeldFile* held = static_cast<HeldFile*>(argument);
    Sleep(held->ms);
    CloseHandle(held->file);
    delete held;
    return 0;
}

}  // namespace

void holdFile(const std::wstring& path, DWORD ms) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    HANDLE thread = CreateThread(nullptr, 0, releaseLater, new HeldFile{file, ms}, 0, nullptr);
    if (thread) {
        CloseHandle(thread);
    } else {
        CloseHandle(file);
    }
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
