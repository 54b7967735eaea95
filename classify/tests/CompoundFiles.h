#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>
#include <vector>

#include <wrl/client.h>

// Builds compound files with structured storage for the tests.
namespace test_compound {

struct Stream {
    // Storages from the root down, then the stream's name.
    std::vector<std::wstring> storages;
    std::wstring name;
    std::string data;
};

// Creates (or replaces) the compound file at path with the given streams.
inline bool make(const std::string& path, const std::vector<Stream>& streams) {
    using Microsoft::WRL::ComPtr;
    std::wstring wide(path.begin(), path.end());
    ComPtr<IStorage> root;
    if (FAILED(StgCreateDocfile(wide.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &root))) {
        return false;
    }
    const DWORD mode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    for (const Stream& s : streams) {
        // A storage released before its children invalidates them: keep the
        // whole chain open.
        std::vector<ComPtr<IStorage>> chain{root};
        for (const std::wstring& name : s.storages) {
            ComPtr<IStorage> next;
            if (FAILED(chain.back()->OpenStorage(name.c_str(), nullptr, mode, nullptr, 0, &next)) &&
                FAILED(chain.back()->CreateStorage(name.c_str(), mode | STGM_CREATE, 0, 0, &next))) {
                return false;
            }
            chain.push_back(next);
        }
        ComPtr<IStream> stream;
        if (FAILED(chain.back()->CreateStream(s.name.c_str(), mode | STGM_CREATE, 0, 0, &stream))) return false;
        ULONG written = 0;
        if (!s.data.empty() && FAILED(stream->Write(s.data.data(), static_cast<ULONG>(s.data.size()), &written))) {
            return false;
        }
    }
    return SUCCEEDED(root->Commit(STGC_DEFAULT));
}

// The rights-management storages and licence stream: a 176-byte header, then
// the licence text.
inline Stream rightsManagement(const std::wstring& transform, const std::string& licence) {
    return {{L"\x06" L"DataSpaces", L"TransformInfo", transform}, L"\x06" L"Primary", std::string(176, '\x01') + licence};
}

inline const std::wstring kOpenXmlTransform = L"DRMEncryptedTransform";
inline const std::wstring kBinaryTransform = L"\x09" L"DRMTransform";

inline std::string xrml(const std::string& issuer) {
    return "<?xml version=\"1.0\" ?><XrML version=\"1.2\"><BODY type=\"Microsoft Rights Label\">"
           "<ISSUEDTIME>2026-12-08T06:00</ISSUEDTIME><ISSUER><OBJECT type=\"Group-Identity\">"
           "<ID type=\"Windows\">S-1-5-21</ID><NAME>" +
           issuer + "</NAME></OBJECT></ISSUER></BODY><SIGNATURE><DIGEST>AAAA</DIGEST></SIGNATURE></XrML>";
}

}  // namespace test_compound
