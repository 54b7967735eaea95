#pragma once

#include <cstddef>
#include <string>

// The Office flow's decisions that need no Win32: which engine a path goes
// to, the backup and temporary names, Excel's save format, the path limit and
// how a password appears in the log. The extensions and their applications
// are classify's (fileKindOf).
namespace office_rules {

enum class Engine { None, Word, PowerPoint, Excel };

// The engine of the application of the path's file kind; None for the other
// paths (".xps" and ".pdf" included).
Engine engineFor(const char* path);
// One of the 13 extensions that some engine takes.
bool isSupported(const char* path);
// One of the four binary Office formats: the applications then get their
// macro security level again before each open.
bool isPre2007(const char* path);

// The length limit of every full path this subsystem handles: the
// document's, and the longest name made from it (the backup or a temporary
// name), must stay below this many bytes.
constexpr std::size_t kPathBufferSize = 1024;
// Length of a GUID's text in braces.
constexpr std::size_t kGuidTextLength = 38;

// The text from the last dot of the path ("" when there is none).
std::string extensionOf(const char* path);
// "<path>.<guid><extension>": report.docx -> report.docx.{GUID}.docx.
std::string backupPath(const char* path, const char* guid);
// Word's temporary name "<path>.<guid>.doc", whatever the document's own
// extension.
std::string wordTemporaryPath(const char* path, const char* guid);
// PowerPoint's and Excel's "<path><guid><extension>": Deck.pptx ->
// Deck.pptx{GUID}.pptx.
std::string appendedTemporaryPath(const char* path, const char* guid);
// True when the path, or any name derived from it above with a GUID, would
// not fit in kPathBufferSize bytes with its terminator.
bool isPathTooLong(const char* path);

// Excel's FileFormat for the save: 1..43 become -4143 (xlWorkbookNormal),
// every other value is kept.
int excelSaveFormat(int fileFormat);

// The password as the log shows it: one '*' per character, so that a line
// tells an empty password from a derived one and nothing more.
std::string maskedPassword(const char* password);

}  // namespace office_rules
