#include "JobTexts.h"

#include <cstdarg>
#include <cstdio>

namespace {

const char* orEmpty(const char* text) { return text ? text : ""; }

std::string format(const char* pattern, ...) {
    va_list arguments;
    va_start(arguments, pattern);
    va_list again;
    va_copy(again, arguments);
    int length = std::vsnprintf(nullptr, 0, pattern, arguments);
    va_end(arguments);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<size_t>(length) + 1);
        std::vsnprintf(&text[0], text.size(), pattern, again);
        text.resize(static_cast<size_t>(length));
    }
    va_end(again);
    return text;
}

bool assignWithin(const std::string& text, size_t limit, std::string& out) {
    if (text.size() > limit) return false;
    out = text;
    return true;
}

}  // namespace

std::string formatRightsText(bool printing, bool copyContents) {
    if (!printing && !copyContents) return std::string();
    return format("allow %s %s", printing ? "Printing" : "", copyContents ? "CopyContents" : "");
}

bool formatParkingPath(const char* workingFolder, const char* guidText, std::string& path) {
    return assignWithin(format("%s\\%s.pdf", orEmpty(workingFolder), orEmpty(guidText)), kMaxParkingPath, path);
}

bool formatEncryptCommand(const char* pdftkPath, const char* parkingPath, const char* sourcePath,
                          const char* userPassword, const char* rightsText, const char* ownerPassword,
                          std::string& command) {
    return assignWithin(format("\"%s\" A=\"%s\" output \"%s\" user_pw %s %s owner_pw %s dont_ask", orEmpty(pdftkPath),
                               orEmpty(parkingPath), orEmpty(sourcePath), orEmpty(userPassword), orEmpty(rightsText),
                               orEmpty(ownerPassword)),
                        kMaxPdftkCommandLine, command);
}

bool formatDecryptCommand(const char* pdftkPath, const char* parkingPath, const char* ownerPassword,
                          const char* sourcePath, std::string& command) {
    return assignWithin(format("\"%s\" A=\"%s\" input_pw A=%s output \"%s\" dont_ask", orEmpty(pdftkPath),
                               orEmpty(parkingPath), orEmpty(ownerPassword), orEmpty(sourcePath)),
                        kMaxPdftkCommandLine, command);
}

std::string formatProgressText(JobDirection direction, int index, int total, const char* path) {
    return format(direction == JobDirection::Encryption ? "Encrypting (%d/%d): '%s'" : "Decrypting (%d/%d): '%s'",
                  index, total, orEmpty(path));
}

std::string formatTallyText(JobDirection direction, int total, int succeeded) {
    // "Scucceeded" is deliberate: the text users and log readers have always seen.
    return format("%s Result: Total=%d   Scucceeded=%d   Failed=%d",
                  direction == JobDirection::Encryption ? "Encryption" : "Decryption", total, succeeded,
                  total - succeeded);
}

const char* jobLogPrefix(JobDirection direction) {
    return direction == JobDirection::Encryption ? "PasswordEncryptionThread" : "PasswordDecryptionThread";
}
