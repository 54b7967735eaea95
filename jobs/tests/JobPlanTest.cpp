#include "jobs/JobPlan.h"

#include <gtest/gtest.h>

TEST(JobPlan, EachPathTakesOneStep) {
    struct Case {
        const char* path;
        FileStep withOffice12;
        FileStep withoutOffice12;
    } const cases[] = {
        {"C:\\Reports\\Annual Report.pdf", FileStep::Pdf, FileStep::Pdf},
        {"C:\\Reports\\SCAN.PDF", FileStep::Pdf, FileStep::Pdf},
        {"C:\\Reports\\layout.XPS", FileStep::NoRow, FileStep::NoRow},
        {"C:\\Reports\\memo.doc", FileStep::Office, FileStep::Office},
        {"C:\\Reports\\budget.XLS", FileStep::Office, FileStep::Office},
        {"C:\\Reports\\deck.ppt", FileStep::Office, FileStep::Office},
        {"C:\\Reports\\show.pps", FileStep::Office, FileStep::Office},
        {"C:\\Reports\\memo.DOCX", FileStep::Office, FileStep::Skipped},
        {"C:\\Reports\\memo.docm", FileStep::Office, FileStep::Skipped},
        {"C:\\Reports\\deck.pptx", FileStep::Office, FileStep::Skipped},
        {"C:\\Reports\\deck.pptm", FileStep::Office, FileStep::Skipped},
        {"C:\\Reports\\show.ppsx", FileStep::Office, FileStep::Skipped},
        {"C:\\Reports\\show.ppsm", FileStep::Office, FileStep::Skipped},
        {"C:\\Reports\\sheet.xlsb", FileStep::Office, FileStep::Skipped},
        {"C:\\Reports\\sheet.xlsx", FileStep::Office, FileStep::Skipped},
        {"C:\\Reports\\sheet.Xlsm", FileStep::Office, FileStep::Skipped},
        // Only the end counts.
        {"C:\\Reports\\report.pdf.docx", FileStep::Office, FileStep::Skipped},
        {"C:\\Reports\\memo.docx.pdf", FileStep::Pdf, FileStep::Pdf},
        {"C:\\Reports.docx\\readme", FileStep::Office, FileStep::Office},
        // Anything else is the session's to refuse.
        {"C:\\Reports\\notes.txt", FileStep::Office, FileStep::Office},
        {"C:\\Reports\\pdf", FileStep::Office, FileStep::Office},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(fileStepFor(c.path, true), c.withOffice12);
        EXPECT_EQ(fileStepFor(c.path, false), c.withoutOffice12);
    }
}

TEST(JobPlan, APathCountsOnceForTheFirstApplicationThatTakesIt) {
    const char* const paths[] = {
        "C:\\a\\Quarterly Memo.docx", "C:\\a\\Old Memo.doc",  "C:\\a\\macro.DOCM",  "C:\\a\\Team Deck.pptx",
        "C:\\a\\Old Deck.ppt",        "C:\\a\\show.PPS",      "C:\\a\\show.ppsm",   "C:\\a\\Budget.xlsx",
        "C:\\a\\Old Budget.XLS",      "C:\\a\\binary.xlsb",   "C:\\a\\report.pdf",  "C:\\a\\layout.xps",
        "C:\\a\\notes.txt",           "C:\\a\\sheet.xls.doc",
    };
    ApplicationCounts counts;
    for (const char* path : paths) countForApplication(path, counts);
    EXPECT_EQ(counts.word, 4);
    EXPECT_EQ(counts.powerPoint, 4);
    EXPECT_EQ(counts.excel, 3);
}
