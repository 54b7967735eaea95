#include "browser/CommandRules.h"

#include <cstring>

#include "classify/EncryptionState.h"
#include "classify/FileType.h"
#include "foundation/String.h"

namespace listcmd {

namespace {

const wchar_t kForbidden[] = L"\\/:*?\"<>|";

}  // namespace

bool isOfficeName(const char* name) {
    const FileKind* kind = fileKindOf(name);
    return kind != nullptr && kind->isOfficeDocument();
}

bool isPdfName(const char* name) {
    const FileKind* kind = fileKindOf(name);
    return kind != nullptr && kind->format == KindFormat::Pdf;
}

bool isEligibleRow(const char* name, long itemData) {
    return (isOfficeName(name) && itemData != kRightsManaged) || isPdfName(name);
}

bool isProtectedRow(const char* name, long itemData) {
    return itemData == kPasswordEncrypted && (isOfficeName(name) || isPdfName(name));
}

const char* protectedExtensionOf(const char* oldName) {
    const FileKind* kind = fileKindOf(oldName);
    return kind != nullptr ? kind->extension : ".doc";
}

bool isExactFileName(const char* name) {
    return name != nullptr && *name != '\0' && std::strpbrk(name, "?*") == nullptr;
}

NameCheck checkNewFileName(const char* oldName, const char* newName, const wchar_t* newNameWide) {
    if (!endsWithIgnoreCase(newName, protectedExtensionOf(oldName))) return NameCheck::Extension;
    if (newNameWide == nullptr) return NameCheck::Characters;
    for (const wchar_t* c = newNameWide; *c != L'\0'; ++c) {
        for (const wchar_t* f = kForbidden; *f != L'\0'; ++f) {
            if (*c == *f) return NameCheck::Characters;
        }
    }
    return NameCheck::Ok;
}

RenameStart classifyRename(const char* oldName, const char* newName) {
    if (newName == nullptr || *newName == '\0') return RenameStart::Empty;
    if (oldName != nullptr && std::strcmp(oldName, newName) == 0) return RenameStart::Same;
    if (oldName != nullptr && std::strlen(oldName) == std::strlen(newName) &&
        endsWithIgnoreCase(oldName, newName)) {
        return RenameStart::CaseOnly;
    }
    return RenameStart::Full;
}

MenuStates contextMenuStates(int selected, int eligible, int protectedCount, int clipboardFiles) {
    const ItemState E = ItemState::Enabled, G = ItemState::Greyed, U = ItemState::Unchanged;
    const ItemState paste = clipboardFiles > 0 ? E : G;
    if (selected == 0) return {G, G, G, G, G, G, G, paste, E};
    if (eligible > 0) {
        const ItemState withProtected = protectedCount > 0 ? E : G;
        return {eligible > protectedCount ? E : G, withProtected, withProtected, E, E, E, E, G, G};
    }
    return {G, G, G, U, E, U, E, paste, G};
}

std::uint32_t dropEffect(std::uint32_t keyState, std::uint32_t allowed) {
    std::uint32_t effect = kEffectNone;
    if ((keyState & kKeyControl) != 0) {
        effect = allowed & kEffectCopy;
    } else if ((keyState & kKeyShift) != 0) {
        effect = allowed & kEffectMove;
    }
    if (effect != kEffectNone) return effect;
    if ((allowed & kEffectMove) != 0) return kEffectMove;
    if ((allowed & kEffectCopy) != 0) return kEffectCopy;
    return kEffectNone;
}

bool dropMoves(bool controlDown, std::uint32_t allowed) { return !controlDown && (allowed & kEffectMove) != 0; }

std::uint32_t performedDropEffect(const DropTally& tally, std::uint32_t allowed) {
    if (tally.taken <= 0) return kEffectNone;
    if (tally.moved && tally.taken == tally.offered && (allowed & kEffectMove) != 0) return kEffectMove;
    return kEffectCopy;
}

DragStep continueDrag(bool escapePressed, std::uint32_t keyState) {
    if (escapePressed) return DragStep::Cancel;
    if ((keyState & (kKeyLeftButton | kKeyRightButton)) != 0) return DragStep::Continue;
    return DragStep::Drop;
}

}  // namespace listcmd
