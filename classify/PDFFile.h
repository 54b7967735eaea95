#pragma once

#include "classify/PdfTail.h"
#include "foundation/Object.h"
#include "foundation/String.h"

// A PDF file judged by its header and the last kilobyte, where the trailer
// of an encrypted file names its encryption dictionary. The constructor
// throws an int code when the file cannot be judged.
class PDFFile : public Object {
public:
    static constexpr int kNotPdf = -1000;
    static constexpr int kUnreadable = -1001;
    static constexpr int kNullPath = -1002;
    static constexpr int kMissing = -1003;

    explicit PDFFile(const char* path);
    bool isEncrypted() const { return encrypted_; }

private:
    String path_;
    bool encrypted_ = false;
    char window_[pdftail::kWindowSize + 1] = {};
};
