#pragma once

// Reading documents from disk (decrypting them) and writing them back
// (encrypting them) through the product's document encryption (doccrypt/).

#include <windows.h>

#include <string>

#include "Dispatch.h"
#include "doccrypt/Formats.h"

namespace office_standin {

// The documents' formats and their encryption are the product's (doccrypt/).
using namespace doccrypt;

struct LoadedDocument {
    std::wstring fullName;
    DocFormat format = DocFormat::Unknown;
    bool readOnlyRecommended = false;
    bool wasEncrypted = false;
    std::u16string password;  // the one it was opened with
    Bytes content;            // the plain package, or the whole binary file
};

enum class OpenFailure { None, NeedPassword, WrongPassword, Other };

struct OpenOutcome {
    OpenFailure failure = OpenFailure::None;
    std::wstring message;
    LoadedDocument document;
};

// Never throws. password null means "none given".
OpenOutcome loadDocument(const std::wstring& path, AppKind app, const std::u16string* password);

// Writes the document to target in its own format, encrypted when password
// is not empty. Goes through a temporary file beside the target, so a
// failure never leaves a partial target. Throws AppError(code, text).
void saveDocument(const LoadedDocument& doc, const std::wstring& target, const std::u16string& password,
                  HRESULT errorCode);

std::wstring fullPathOf(const std::wstring& path);
std::wstring fileNameOf(const std::wstring& path);

}  // namespace office_standin
