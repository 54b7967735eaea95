#pragma once

#include <string>

// Texts of the encryption and decryption jobs that need no Win32: the pdftk
// command lines, the rights text, the notifier's status and tally lines.
// Null text arguments count as empty.

enum class JobDirection { Encryption, Decryption };

// Longest command line the PDF step hands to process creation.
constexpr size_t kMaxPdftkCommandLine = 1023;
// Longest parking path (the step's path buffer holds 1024 bytes).
constexpr size_t kMaxParkingPath = 1023;

// "allow Printing CopyContents" with a blank left in place of a right that is
// off ("allow Printing ", "allow  CopyContents"); empty when both are off.
std::string formatRightsText(bool printing, bool copyContents);

// "<working folder>\<GUID text>.pdf". False (path untouched) when it would be
// longer than kMaxParkingPath.
bool formatParkingPath(const char* workingFolder, const char* guidText, std::string& path);

// The pdftk command lines. Paths are quoted, passwords are not. False
// (command untouched) when the line would be longer than
// kMaxPdftkCommandLine.
bool formatEncryptCommand(const char* pdftkPath, const char* parkingPath, const char* sourcePath,
                          const char* userPassword, const char* rightsText, const char* ownerPassword,
                          std::string& command);
bool formatDecryptCommand(const char* pdftkPath, const char* parkingPath, const char* ownerPassword,
                          const char* sourcePath, std::string& command);

// "Encrypting (2/5): '<path>'" or "Decrypting (2/5): '<path>'".
std::string formatProgressText(JobDirection direction, int index, int total, const char* path);

// "Encryption Result: Total=5   Scucceeded=3   Failed=2" (or "Decryption").
std::string formatTallyText(JobDirection direction, int total, int succeeded);

// What a job's log lines start with: the name of the thread class that runs
// it, "PasswordEncryptionThread" or "PasswordDecryptionThread".
const char* jobLogPrefix(JobDirection direction);
