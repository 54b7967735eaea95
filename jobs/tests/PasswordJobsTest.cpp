// The encryption and decryption jobs end to end: the Office stand-in plays
// Word, Excel and PowerPoint, the pdftk stand-in runs the machine's pdftk,
// a window of the test stands in for the file list (it counts WM_JOB_DONE),
// and the notifier is driven as a user would drive it. Encrypted files are
// checked by tools this program did not write: msoffcrypto-tool and qpdf.

#include "jobs/PasswordJobs.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Exception.h"
#include "foundation/String.h"
#include "jobs/JobPlan.h"
#include "jobs/Notifier.h"
#include "jobs/ProtectionJob.h"
#include "jobs/tests/JobsTestSupport.h"
#include "office/OfficeApplication.h"
#include "office/tests/OfficeTestSupport.h"
#include "resources/TarnwickIds.h"
#include "settings/PasswordGenerator.h"
#include "settings/TarnwickRegistry.h"
#include "testing/DebugLog.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"

namespace {

using namespace jobs_test;
using office_test::checkOfficePasswords;
using office_test::isProtected;
using testing_support::pumpUntil;
using testing_support::readBytes;

using Jobs = JobsFixture;

// This program's log: set before its first line is written.
const std::string kLogPath = testing_support::debugLog();

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

}  // namespace

TEST_F(Jobs, EncryptsAFolderOfEveryKindAndDecryptsItBack) {
    struct File {
        const char* name;
        const char* sample;
    } const files[] = {
        {"Quarterly Memo.docx", "memo.docx"}, {"Budget 2024.xlsx", "sheet.xlsx"}, {"Team Deck.pptx", "deck.pptx"},
        {"Old Memo.doc", "memo.doc"},         {"Old Budget.XLS", "sheet.xls"},    {"Old Deck.ppt", "deck.ppt"},
        {"Annual Report.pdf", ".pdf"},        {"Print Layout.xps", ""},           {"Second Deck.ppt", "deck.ppt"},
        {"Old Show.pps", "deck.ppt"},         {"Third Deck.PPT", "deck.ppt"},
    };
    std::vector<std::string> paths;
    std::map<std::string, std::string> originals;
    for (const File& f : files) {
        paths.push_back(make(f.name, f.sample));
        originals[paths.back()] = readBytes(paths.back());
    }
    const std::string xps = paths[7];

    Finished encrypted = runUntilTally(true, paths);
    EXPECT_EQ(encrypted.tally, "Encryption Result: Total=11   Scucceeded=10   Failed=1");
    EXPECT_EQ(encrypted.rows.size(), 10u);
    for (const File& f : files) {
        if (std::string(f.name) == "Print Layout.xps") {
            EXPECT_EQ(encrypted.rows.count(f.name), 0u);
        } else {
            EXPECT_EQ(encrypted.rows[f.name].result, "OK") << f.name;
        }
    }
    expectRowMarks(encrypted);
    EXPECT_FALSE(testing_support::saveScreenshot(encrypted.window, "EncryptionJobFinished").empty());
    // The session has ended with the tally: no application waits with the user.
    EXPECT_TRUE(office_test::waitForNoStandins(20000));
    closeAndExpectOneDone(encrypted, *owner);

    std::vector<std::string> office;
    for (const std::string& path : paths) {
        if (path == xps) continue;
        if (fileNameOf(path) == "Annual Report.pdf") {
            expectPdfEncrypted(path);
        } else {
            EXPECT_TRUE(isProtected(path)) << path;
            office.push_back(path);
        }
    }
    const std::string report = checkOfficePasswords(folder, office);
    std::printf("%s", report.c_str());
    EXPECT_FALSE(contains(report, "FAIL")) << report;
    EXPECT_FALSE(contains(report, "WRONG-PASSWORD-ACCEPTED")) << report;
    EXPECT_EQ(std::count(report.begin(), report.end(), '\n'), 9) << report;
    EXPECT_EQ(readBytes(xps), originals[xps]);

    // PowerPoint's password helper walks the desktop's windows, the job's
    // own notifier among them, and is waited for after each presentation:
    // it never blocks the job.
    Finished decrypted = run(false, paths);
    EXPECT_FALSE(contains(readBytes(kLogPath), "did not end")) << kLogPath;
    EXPECT_TRUE(contains(readBytes(kLogPath), "PowerPointPasswordValidator#findPasswordDialog,5,Found")) << kLogPath;
    EXPECT_EQ(decrypted.tally, "Decryption Result: Total=11   Scucceeded=10   Failed=1");
    EXPECT_EQ(decrypted.rows.size(), 10u);
    for (const auto& [name, row] : decrypted.rows) EXPECT_EQ(row.result, "OK") << name;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        if (fileNameOf(path) == "Annual Report.pdf") {
            expectPdfPlain(path);
        } else if (isOfficeOpenXml(path.c_str()) || path == xps) {
            EXPECT_EQ(readBytes(path), originals[path]);
        } else {
            EXPECT_FALSE(isProtected(path));
        }
    }
    EXPECT_TRUE(office_test::listFolder(work).empty());
}

TEST_F(Jobs, CancelDuringTheThirdOfFiveFilesEndsAfterIt) {
    std::vector<std::string> paths;
    for (int i = 1; i <= 5; ++i) paths.push_back(make("Report " + std::to_string(i) + ".pdf", ".pdf"));
    const std::string original = readBytes(paths[0]);
    jobs_test::ScopedEnvironment slow("TARNWICK_PDFTK_DELAY_MS", "1500");
    {
        LinkedList list;
        fill(list, paths);
        ASSERT_TRUE(startEncryptionJob(owner->getWindow(), list));
    }
    HWND notifier = waitForNotifier(kEncryptionClass);
    ASSERT_TRUE(notifier);
    std::string status;
    ASSERT_TRUE(pumpUntil([&] { return contains(status = statusOf(notifier), "Encrypting (3/5): '"); }, 120000))
        << status;
    EXPECT_EQ(status, "Encrypting (3/5): '" + paths[2] + "'");
    {
        jobs_test::MessageBoxAnswer answer("Encodding Notifier", IDOK);
        PostMessageA(GetDlgItem(notifier, kNotifierCancelId), BM_CLICK, 0, 0);
        EXPECT_TRUE(pumpUntil([&] { return !IsWindowEnabled(GetDlgItem(notifier, kNotifierCancelId)); }, 30000));
        EXPECT_TRUE(answer.wait()) << "no cancel question";
    }
    Finished finished = waitForTally(kEncryptionClass);
    EXPECT_EQ(finished.tally, "Encryption Result: Total=5   Scucceeded=3   Failed=2");
    ASSERT_EQ(finished.rows.size(), 3u);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(finished.rows["Report " + std::to_string(i) + ".pdf"].result, "OK");
    EXPECT_FALSE(testing_support::saveScreenshot(finished.window, "EncryptionJobCancelled").empty());
    closeAndExpectOneDone(finished, *owner);
    for (int i = 0; i < 5; ++i) {
        if (i < 3) {
            expectPdfEncrypted(paths[i]);
        } else {
            EXPECT_EQ(readBytes(paths[i]), original) << paths[i];
        }
    }
}

TEST_F(Jobs, AnEncryptionAndADecryptionRunSideBySide) {
    const std::string a = subfolder("a"), b = subfolder("b");
    const std::vector<std::string> plain = {make("Memo A.docx", "memo.docx", a), make("Sheet A.xls", "sheet.xls", a),
                                            make("Report A.pdf", ".pdf", a)};
    const std::vector<std::string> toDecrypt = {make("Memo B.docx", "memo.docx", b),
                                                make("Sheet B.xlsx", "sheet.xlsx", b), make("Report B.pdf", ".pdf", b)};
    const std::string memo = readBytes(toDecrypt[0]), sheet = readBytes(toDecrypt[1]);
    EXPECT_EQ(run(true, toDecrypt).tally, "Encryption Result: Total=3   Scucceeded=3   Failed=0");

    // Slow enough that both notifiers are up at once.
    jobs_test::ScopedEnvironment slow("TARNWICK_PDFTK_DELAY_MS", "2000");
    {
        LinkedList first, second;
        fill(first, plain);
        fill(second, toDecrypt);
        ASSERT_TRUE(startEncryptionJob(owner->getWindow(), first));
        ASSERT_TRUE(startDecryptionJob(owner->getWindow(), second));
    }
    HWND encryption = waitForNotifier(kEncryptionClass);
    HWND decryption = waitForNotifier(kDecryptionClass);
    ASSERT_TRUE(encryption && decryption);
    EXPECT_FALSE(contains(statusOf(encryption), "Result:"));
    EXPECT_FALSE(contains(statusOf(decryption), "Result:"));

    Finished encrypted = waitForTally(kEncryptionClass);
    Finished decrypted = waitForTally(kDecryptionClass);
    EXPECT_EQ(encrypted.tally, "Encryption Result: Total=3   Scucceeded=3   Failed=0");
    EXPECT_EQ(decrypted.tally, "Decryption Result: Total=3   Scucceeded=3   Failed=0");
    closeAndExpectOneDone(encrypted, *owner);
    closeAndExpectOneDone(decrypted, *owner);

    EXPECT_TRUE(isProtected(plain[0]));
    EXPECT_TRUE(isProtected(plain[1]));
    expectPdfEncrypted(plain[2]);
    EXPECT_EQ(readBytes(toDecrypt[0]), memo);
    EXPECT_EQ(readBytes(toDecrypt[1]), sheet);
    expectPdfPlain(toDecrypt[2]);
}

TEST_F(Jobs, SkippedWithoutOffice12OrPdftkAndFailedWhenHeldOpen) {
    // Office 14 and no pdftk: Open XML and PDF files are not attempted.
    {
        ASSERT_TRUE(office_test::setOfficeVersion("14"));
        struct Restore {
            ~Restore() { office_test::setOfficeVersion("12"); }
        } restore;
        RegDeleteKeyValueA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, "PathForPDFTK");
        const std::vector<std::string> paths = {make("New Memo.docx", "memo.docx"), make("Old Memo.doc", "memo.doc"),
                                                make("Report.pdf", ".pdf")};
        const std::string docx = readBytes(paths[0]), pdf = readBytes(paths[2]);
        Finished finished = run(true, paths);
        EXPECT_EQ(finished.tally, "Encryption Result: Total=3   Scucceeded=1   Failed=2");
        EXPECT_EQ(finished.rows["New Memo.docx"].result, "SKIPPED");
        EXPECT_EQ(finished.rows["Old Memo.doc"].result, "OK");
        EXPECT_EQ(finished.rows["Report.pdf"].result, "SKIPPED");
        expectRowMarks(finished);
        EXPECT_EQ(readBytes(paths[0]), docx);
        EXPECT_EQ(readBytes(paths[2]), pdf);
        EXPECT_TRUE(isProtected(paths[1]));
    }
    // Files another program holds open are left as they are.
    {
        TarnwickRegistry().setPathForPDFTK(pdftkStandin().c_str());
        const std::string held = subfolder("held");
        const std::vector<std::string> paths = {make("Held Memo.docx", "memo.docx", held),
                                                make("Held Report.pdf", ".pdf", held),
                                                make("Free Sheet.xlsx", "sheet.xlsx", held)};
        std::vector<std::string> before;
        std::vector<HANDLE> handles;
        for (int i = 0; i < 2; ++i) {
            before.push_back(readBytes(paths[i]));
            handles.push_back(CreateFileA(paths[i].c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_NE(handles.back(), INVALID_HANDLE_VALUE);
        }
        Finished finished = runUntilTally(true, paths);
        EXPECT_FALSE(testing_support::saveScreenshot(finished.window, "EncryptionJobWithFailures").empty());
        if (finished.window) closeAndExpectOneDone(finished, *owner);
        for (HANDLE h : handles) CloseHandle(h);
        EXPECT_EQ(finished.tally, "Encryption Result: Total=3   Scucceeded=1   Failed=2");
        EXPECT_EQ(finished.rows["Held Memo.docx"].result, "NG");
        EXPECT_EQ(finished.rows["Held Report.pdf"].result, "NG");
        EXPECT_EQ(finished.rows["Free Sheet.xlsx"].result, "OK");
        expectRowMarks(finished);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(readBytes(paths[i]), before[i]) << paths[i];
        EXPECT_EQ(office_test::listFolder(held).size(), 3u);
        EXPECT_TRUE(office_test::listFolder(work).empty());
    }
}

TEST_F(Jobs, WithoutAnOfficeSessionOfficeFilesFailAndPdfFilesStillGoThrough) {
    office_test::setFault("Excel.Application.Visible", "fail 0x800A03EC");
    const std::vector<std::string> paths = {make("Memo.docx", "memo.docx"), make("Sheet.xls", "sheet.xls"),
                                            make("Deck.pptx", "deck.pptx"), make("Report.pdf", ".pdf")};
    std::vector<std::string> before;
    for (const std::string& path : paths) before.push_back(readBytes(path));
    Finished finished = run(true, paths);
    EXPECT_EQ(finished.tally, "Encryption Result: Total=4   Scucceeded=1   Failed=3");
    for (const char* name : {"Memo.docx", "Sheet.xls", "Deck.pptx"}) EXPECT_EQ(finished.rows[name].result, "NG");
    EXPECT_EQ(finished.rows["Report.pdf"].result, "OK");
    expectRowMarks(finished);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(readBytes(paths[i]), before[i]) << paths[i];
    expectPdfEncrypted(paths[3]);
}

namespace {

// A session whose Excel cannot be started when a workbook needs it.
class ExcelFailsOnDemand : public OfficeApplication {
public:
    using OfficeApplication::OfficeApplication;
    int protectExcel(const char*, const char*) override {
        throw Exception("OfficeApplication#createExcelApplication,1,Failed to create Excel", 201);
    }
};

std::unique_ptr<OfficeApplication> excelFailsOnDemand(int doc, int ppt, int xls) {
    return std::make_unique<ExcelFailsOnDemand>(doc, ppt, xls);
}

}  // namespace

TEST_F(Jobs, AnApplicationFailingOnDemandFailsOnlyItsFile) {
    const std::vector<std::string> paths = {make("Memo.docx", "memo.docx"), make("Sheet.xls", "sheet.xls"),
                                            make("Report.pdf", ".pdf")};
    const std::string sheet = readBytes(paths[1]);
    LinkedList list;
    fill(list, paths);
    std::thread worker([&] {
        ProtectionJob(JobDirection::Encryption, owner->getWindow(), GetModuleHandleA(nullptr), excelFailsOnDemand)
            .run(list);
    });
    Finished finished = waitForTally(kEncryptionClass);
    if (finished.window) closeAndExpectOneDone(finished, *owner);
    worker.join();
    EXPECT_EQ(finished.tally, "Encryption Result: Total=3   Scucceeded=2   Failed=1");
    EXPECT_EQ(finished.rows["Memo.docx"].result, "OK");
    EXPECT_EQ(finished.rows["Sheet.xls"].result, "NG");
    EXPECT_EQ(finished.rows["Report.pdf"].result, "OK");
    EXPECT_EQ(readBytes(paths[1]), sheet);
    for (const std::string& name : office_test::listFolder(folder)) {
        EXPECT_EQ(name.find('{'), std::string::npos) << "left behind: " << name;
    }
}

TEST(JobStart, AJobThatCannotStartIsToldInAMessageBox) {
    for (JobDirection direction : {JobDirection::Encryption, JobDirection::Decryption}) {
        const bool encryption = direction == JobDirection::Encryption;
        jobs_test::MessageBoxAnswer answer("Tarnwick", IDOK, encryption ? "EncryptionNotStarted" : "DecryptionNotStarted");
        reportJobNotStarted(nullptr, direction);
        EXPECT_TRUE(answer.wait());
    }
}
