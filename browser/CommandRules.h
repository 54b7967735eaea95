#pragma once

#include <cstdint>

// The decisions behind the file list's commands, clipboard and drops, as
// plain functions so that they build and are tested without Win32.
namespace listcmd {

// The file kinds of Word, Excel and PowerPoint (".xps" is not one of them
// here) and PDF files, without regard to case.
bool isOfficeName(const char* name);
bool isPdfName(const char* name);

// Which rows the context menu counts: eligible rows are Office documents
// that are not rights-managed (item data not kRightsManaged) and every PDF
// file; protected rows are eligible names whose item data is
// kPasswordEncrypted.
bool isEligibleRow(const char* name, long itemData);
bool isProtectedRow(const char* name, long itemData);

// The extension that a rename must keep: that of the old name's file kind
// (one of the fifteen, in lower case), ".doc" when it has none.
const char* protectedExtensionOf(const char* oldName);

// True for a name that can only spell itself: not empty and free of the
// wildcards '?' and '*' (which no file name holds; a name that the ANSI
// code page cannot write comes with '?' in their place).
bool isExactFileName(const char* name);

enum class NameCheck { Ok, Extension, Characters };

// The two rules on a new name, in this order: it ends with the old name's
// protected extension, and it (as UTF-16 text) holds none of \ / : * ? " < > |.
NameCheck checkNewFileName(const char* oldName, const char* newName, const wchar_t* newNameWide);

// What the end of an in-place rename does before the file system is asked.
enum class RenameStart {
    Empty,     // no name given: message, edit again
    Same,      // unchanged: nothing to do
    CaseOnly,  // only the case changes: rename without the other rules
    Full,      // a new name: the same-name, extension and character rules
};
RenameStart classifyRename(const char* oldName, const char* newName);

// States of the context menu's items for one popup.
enum class ItemState : std::uint8_t { Unchanged, Enabled, Greyed };
struct MenuStates {
    ItemState encrypt, decrypt, password, open, remove, changeName, copy, paste, refresh;
};
// selected rows, eligible rows, protected rows, files on the clipboard.
MenuStates contextMenuStates(int selected, int eligible, int protectedCount, int clipboardFiles);

// Drop effects and key-state bits as OLE and the window system define them.
constexpr std::uint32_t kEffectNone = 0, kEffectCopy = 1, kEffectMove = 2;
constexpr std::uint32_t kKeyLeftButton = 0x1, kKeyRightButton = 0x2, kKeyShift = 0x4, kKeyControl = 0x8;

// The effect of a drag over the list: Ctrl asks for a copy, Shift for a
// move; otherwise (or when that is not allowed) a move, then a copy, if
// allowed.
std::uint32_t dropEffect(std::uint32_t keyState, std::uint32_t allowed);

// Whether a drop on the list moves its files (copies them and deletes the
// originals): only when the source allows a move and Ctrl is not held.
bool dropMoves(bool controlDown, std::uint32_t allowed);

// What a drop did with the files of its list: how many entries it was
// offered, how many files it took, and whether it took them by moving.
struct DropTally {
    int offered = 0;
    int taken = 0;
    bool moved = false;
};

// The effect a drop answers to its source, which may finish a move by
// deleting its originals: none when nothing was taken; a move only when
// every offered entry was moved in and the source allowed a move; a copy
// otherwise.
std::uint32_t performedDropEffect(const DropTally& tally, std::uint32_t allowed);

enum class DragStep { Continue, Drop, Cancel };
// The drag source's answer while a drag from the list goes on.
DragStep continueDrag(bool escapePressed, std::uint32_t keyState);

}  // namespace listcmd
