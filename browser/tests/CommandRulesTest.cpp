#include "browser/CommandRules.h"

#include <gtest/gtest.h>

using namespace listcmd;

namespace {

TEST(CommandRules, RowsCountedByTheContextMenu) {
    const struct {
        const char* name;
        long data;
        bool eligible;
        bool isProtected;
    } cases[] = {
        {"a.docx", 0, true, false},  {"a.DOCX", 2, true, true},   {"m.docx", 1, false, false},
        {"s.pdf", 1, true, false},   {"s.PDF", 2, true, true},    {"x.xps", 0, false, false},
        {"x.xps", 2, false, false},  {"t.txt", 2, false, false},  {"p.ppsm", 0, true, false},
        {"docx", 0, false, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(isEligibleRow(c.name, c.data), c.eligible) << c.name << " " << c.data;
        EXPECT_EQ(isProtectedRow(c.name, c.data), c.isProtected) << c.name << " " << c.data;
    }
}

TEST(CommandRules, RenameRulesInTheirOrder) {
    const struct {
        const char* oldName;
        const char* newName;
        const wchar_t* wide;
        NameCheck expected;
    } cases[] = {
        {"a.docx", "a.doc", L"a.doc", NameCheck::Extension},
        {"a.docx", "b.DOCX", L"b.DOCX", NameCheck::Ok},
        {"Report.pdf", "Report.PDF.pdf", L"Report.PDF.pdf", NameCheck::Ok},
        {"a.docx", "b:c.docx", L"b:c.docx", NameCheck::Characters},
        // The extension rule is asked first.
        {"a.docx", "b:c.xlsx", L"b:c.xlsx", NameCheck::Extension},
        {"notes", "notes.doc", L"notes.doc", NameCheck::Ok},
        {"notes", "notes2", L"notes2", NameCheck::Extension},
        {"deck.xps", "deck2.xps", L"deck2.xps", NameCheck::Ok},
        // A double-byte character whose second byte is a backslash in the
        // ANSI text is judged by its UTF-16 form.
        {"a.doc", "\x95\x5c.doc", L"\u8868.doc", NameCheck::Ok},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkNewFileName(c.oldName, c.newName, c.wide), c.expected) << c.oldName << " -> " << c.newName;
    }
    for (const wchar_t* bad : {L"a\\.doc", L"a/.doc", L"a:.doc", L"a*.doc", L"a?.doc", L"a\".doc", L"a<.doc",
                               L"a>.doc", L"a|.doc"}) {
        EXPECT_EQ(checkNewFileName("x.doc", "y.doc", bad), NameCheck::Characters);
    }
    EXPECT_STREQ(protectedExtensionOf("Deck.PPSM"), ".ppsm");
    EXPECT_STREQ(protectedExtensionOf("readme"), ".doc");
}

TEST(CommandRules, RenameStart) {
    EXPECT_EQ(classifyRename("a.docx", ""), RenameStart::Empty);
    EXPECT_EQ(classifyRename("a.docx", "a.docx"), RenameStart::Same);
    EXPECT_EQ(classifyRename("Report.pdf", "report.pdf"), RenameStart::CaseOnly);
    EXPECT_EQ(classifyRename("Report.pdf", "report.pdf2"), RenameStart::Full);
    EXPECT_EQ(classifyRename("ab.pdf", "b.pdf"), RenameStart::Full);
}

TEST(CommandRules, ContextMenuTable) {
    const ItemState E = ItemState::Enabled, G = ItemState::Greyed, U = ItemState::Unchanged;
    const struct {
        int selected, eligible, protectedCount, clipboard;
        MenuStates expected;
    } cases[] = {
        // Nothing selected: Refresh, and Paste with files on the clipboard.
        {0, 0, 0, 0, {G, G, G, G, G, G, G, G, E}},
        {0, 0, 0, 2, {G, G, G, G, G, G, G, E, E}},
        // Two plain documents and one encrypted PDF.
        {3, 3, 1, 5, {E, E, E, E, E, E, E, G, G}},
        // Only encrypted files: nothing to encrypt.
        {2, 2, 2, 0, {G, E, E, E, E, E, E, G, G}},
        {2, 2, 0, 0, {E, G, G, E, E, E, E, G, G}},
        // Only a rights-managed document and an XPS file.
        {2, 0, 0, 0, {G, G, G, U, E, U, E, G, G}},
        {2, 0, 0, 1, {G, G, G, U, E, U, E, E, G}},
    };
    for (const auto& c : cases) {
        const MenuStates got = contextMenuStates(c.selected, c.eligible, c.protectedCount, c.clipboard);
        const ItemState a[] = {got.encrypt, got.decrypt, got.password, got.open, got.remove,
                               got.changeName, got.copy, got.paste, got.refresh};
        const ItemState b[] = {c.expected.encrypt, c.expected.decrypt, c.expected.password,
                               c.expected.open,    c.expected.remove,  c.expected.changeName,
                               c.expected.copy,    c.expected.paste,   c.expected.refresh};
        for (int i = 0; i < 9; ++i) {
            EXPECT_EQ(a[i], b[i]) << "item " << i << " for s=" << c.selected << " e=" << c.eligible
                                  << " p=" << c.protectedCount << " clipboard=" << c.clipboard;
        }
    }
}

TEST(CommandRules, DropEffects) {
    const std::uint32_t both = kEffectCopy | kEffectMove;
    const struct {
        std::uint32_t keys, allowed, expected;
    } cases[] = {
        {0, both, kEffectMove},
        {kKeyControl, both, kEffectCopy},
        {kKeyShift, both, kEffectMove},
        {kKeyControl | kKeyShift, both, kEffectCopy},
        {kKeyControl, kEffectMove, kEffectMove},
        {kKeyShift, kEffectCopy, kEffectCopy},
        {0, kEffectCopy, kEffectCopy},
        {kKeyControl, kEffectNone, kEffectNone},
    };
    for (const auto& c : cases) EXPECT_EQ(dropEffect(c.keys, c.allowed), c.expected) << c.keys << "/" << c.allowed;
}

// What a drop answers after it has done its work: a source that finishes a
// move by deleting its originals must lose nothing that was not taken.
TEST(CommandRules, PerformedDropEffects) {
    const std::uint32_t both = kEffectCopy | kEffectMove;
    const struct {
        bool control;
        std::uint32_t allowed;
        DropTally tally;  // offered, taken, moved
        bool moves;
        std::uint32_t expected;
    } cases[] = {
        {false, both, {2, 2, true}, true, kEffectMove},         // every file moved in
        {false, both, {4, 2, true}, true, kEffectCopy},         // a PDF and a text file left out
        {false, both, {3, 0, true}, true, kEffectNone},         // nothing taken
        {false, kEffectCopy, {2, 2, false}, false, kEffectCopy},  // the source only allows copying
        {true, both, {2, 2, false}, false, kEffectCopy},        // Ctrl held
        {false, kEffectMove, {1, 1, true}, true, kEffectMove},
        {false, kEffectCopy, {2, 2, true}, false, kEffectCopy},  // a move the source did not allow
        {false, kEffectNone, {1, 0, false}, false, kEffectNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.control << "/" << c.allowed << "/" << c.tally.offered << "/"
                                        << c.tally.taken);
        EXPECT_EQ(dropMoves(c.control, c.allowed), c.moves);
        EXPECT_EQ(performedDropEffect(c.tally, c.allowed), c.expected);
    }
}

TEST(CommandRules, DragContinuesWhileAButtonIsDown) {
    EXPECT_EQ(continueDrag(true, kKeyLeftButton), DragStep::Cancel);
    EXPECT_EQ(continueDrag(false, kKeyLeftButton), DragStep::Continue);
    EXPECT_EQ(continueDrag(false, kKeyRightButton | kKeyShift), DragStep::Continue);
    EXPECT_EQ(continueDrag(false, kKeyControl), DragStep::Drop);
}

}  // namespace
