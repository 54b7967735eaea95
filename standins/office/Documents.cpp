#include "Documents.h"

#include <stdexcept>

#include "doccrypt/DocumentCrypt.h"

namespace office_standin {

namespace {

constexpr std::uint64_t kMaxFile = 1ull << 30;

const char* appName(AppKind app) {
    switch (app) {
    case AppKind::Word: return "Word";
    case AppKind::Excel: return "Excel";
    default: return "PowerPoint";
    }
}

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

bool readFile(const std::wstring& path, Bytes& out, std::wstring& error) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        error = (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
                    ? L"The file could not be found: " + path
                    : L"The file could not be opened (error " + std::to_wstring(e) + L"): " + path;
        return false;
    }
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(h, &size) && std::uint64_t(size.QuadPart) <= kMaxFile;
    if (ok) {
        out.resize(std::size_t(size.QuadPart));
        std::size_t done = 0;
        while (ok && done < out.size()) {
            DWORD got = 0;
            DWORD want = DWORD(std::min<std::size_t>(out.size() - done, 1u << 24));
            ok = ReadFile(h, out.data() + done, want, &got, nullptr) && got > 0;
            done += got;
        }
    }
    CloseHandle(h);
    if (!ok) error = L"The file could not be read: " + path;
    return ok;
}

OpenOutcome failure(OpenFailure kind, const std::wstring& message) {
    OpenOutcome o;
    o.failure = kind;
    o.message = message;
    return o;
}

OpenOutcome notThisApp(const std::wstring& path, AppKind app) {
    return failure(OpenFailure::Other, L"The file is not a " + wide(appName(app)) + L" document: " + path);
}

// The file's document, decrypted with the password when it is encrypted.
OpenOutcome fromBytes(const std::wstring& path, AppKind app, Bytes whole, const std::u16string* password) {
    DocumentFacts facts;
    Result r = inspectDocument(whole, facts);
    if (r.outcome != Outcome::Ok)
        return failure(OpenFailure::Other, L"The file is damaged or is not a document (" + wide(r.reason) + L"): " + path);
    OpenOutcome o;
    if (facts.encrypted) {
        if (facts.format != DocFormat::Unknown && appOf(facts.format) != app) return notThisApp(path, app);
        if (!password) return failure(OpenFailure::NeedPassword, L"A password is required to open this document: " + path);
        Bytes plain;
        bool wasEncrypted = false;
        r = decryptDocument(whole, *password, plain, wasEncrypted);
        if (r.outcome == Outcome::WrongPassword)
            return failure(OpenFailure::WrongPassword,
                           L"The password is incorrect. " + wide(appName(app)) + L" cannot open the document: " + path);
        if (r.outcome == Outcome::UnknownCipher)
            return failure(OpenFailure::Other, L"This document is encrypted with a method the stand-in cannot decrypt (" +
                                                   wide(r.reason) + L"): " + path);
        if (r.outcome == Outcome::Ok) r = inspectDocument(plain, facts);
        if (r.outcome != Outcome::Ok)
            return failure(OpenFailure::Other, L"The encrypted document cannot be opened (" + wide(r.reason) + L"): " + path);
        whole = std::move(plain);
        o.document.wasEncrypted = true;
        o.document.password = *password;
    }
    if (appOf(facts.format) != app) return notThisApp(path, app);
    o.document.fullName = path;
    o.document.format = facts.format;
    o.document.readOnlyRecommended = facts.readOnlyRecommended;
    o.document.content = std::move(whole);
    return o;
}

void randomFill(std::uint8_t* p, std::size_t n) {
    try {
        systemRandom(p, n);
    } catch (const std::runtime_error&) {
        throw AppError{E_FAIL, L"No random numbers available"};
    }
}

void writePlain(const std::wstring& temp, const Bytes& data) {
    HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) throw HRESULT_FROM_WIN32(GetLastError());
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < data.size()) {
        DWORD wrote = 0;
        DWORD want = DWORD(std::min<std::size_t>(data.size() - done, 1u << 24));
        ok = WriteFile(h, data.data() + done, want, &wrote, nullptr) && wrote > 0;
        done += wrote;
    }
    DWORD e = GetLastError();
    CloseHandle(h);
    if (!ok) throw HRESULT_FROM_WIN32(e);
}

// The document's file, encrypted with password.
Bytes encrypted(const LoadedDocument& doc, const std::u16string& password, const std::wstring& target,
                HRESULT errorCode) {
    Bytes out;
    Result r = encryptDocument(doc.content, password, randomFill, out);
    if (r.outcome == Outcome::NotEncryptable)
        throw AppError{errorCode, L"The document cannot be encrypted (" + wide(r.reason) + L")."};
    if (r.outcome != Outcome::Ok)
        throw AppError{errorCode, L"The document could not be written (" + wide(r.reason) + L"): " + target};
    return out;
}

}  // namespace

std::wstring fullPathOf(const std::wstring& path) {
    wchar_t buffer[32768];
    DWORD n = GetFullPathNameW(path.c_str(), 32768, buffer, nullptr);
    return (n == 0 || n >= 32768) ? path : std::wstring(buffer, n);
}

std::wstring fileNameOf(const std::wstring& path) {
    std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

OpenOutcome loadDocument(const std::wstring& given, AppKind app, const std::u16string* password) {
    try {
        if (given.empty()) return failure(OpenFailure::Other, L"No file name was given.");
        std::wstring path = fullPathOf(given);
        Bytes whole;
        std::wstring error;
        if (!readFile(path, whole, error)) return failure(OpenFailure::Other, error);
        if (whole.empty()) return failure(OpenFailure::Other, L"The file is empty: " + path);
        return fromBytes(path, app, std::move(whole), password);
    } catch (const std::exception&) {
        return failure(OpenFailure::Other, L"The file could not be read into memory: " + given);
    }
}

void saveDocument(const LoadedDocument& doc, const std::wstring& given, const std::u16string& password,
                  HRESULT errorCode) {
    if (given.empty()) throw AppError{errorCode, L"No file name was given."};
    if (!isOpenXml(doc.format) && doc.format != DocFormat::Xls && doc.format != DocFormat::Doc &&
        doc.format != DocFormat::Ppt && !password.empty())
        throw AppError{errorCode, L"encryption of this format is not supported"};
    std::wstring target = fullPathOf(given);
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        throw AppError{errorCode, L"The file is read-only and cannot be replaced: " + target};
    std::wstring temp = target + L".~standin" + std::to_wstring(GetCurrentProcessId()) + L".tmp";
    try {
        writePlain(temp, password.empty() ? doc.content : encrypted(doc, password, target, errorCode));
    } catch (HRESULT hr) {
        DeleteFileW(temp.c_str());
        wchar_t code[16];
        wsprintfW(code, L"%08X", unsigned(hr));
        throw AppError{errorCode, L"The document could not be written (0x" + std::wstring(code) + L"): " + target};
    } catch (const std::bad_alloc&) {
        DeleteFileW(temp.c_str());
        throw AppError{errorCode, L"Not enough memory to save the document: " + target};
    }
    if (!MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DWORD e = GetLastError();
        DeleteFileW(temp.c_str());
        throw AppError{errorCode, L"The document could not be saved as " + target + L" (error " + std::to_wstring(e) + L")."};
    }
}

}  // namespace office_standin
