// The encryption and decryption jobs end to end: the Office stand-in plays
// Word, Excel and PowerPoint, the pdftk stand-in runs the machine's pdftk,
// a window of the test stands in for the file list (it counts WM_JOB_DONE),
// and the notifier is driven as a user would drive it. Encrypted files are
// checked by tools this program did not write: msoffcrypto-tool and qpdf.

#include "jobs/PasswordJobs.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "UnixRunner.h"
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
#include "wingui/Window.h"

namespace {

using jobs_test::qpdf;
using office_test::isProtected;
using office_test::checkOfficePasswords;

// This program's log: set before its first line is written.
const std::string kLogPath = testing_support::debugLog();

const char kEncryptionClass[] = "_EncodingNotifier_";
const char kDecryptionClass[] = "_DecodingNotifier_";

std::string readBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string samplePdf() { return testing_support::nativePath(TARNWICK_SOURCE_DIR "/jobs/tests/fixtures/sample.pdf"); }
std::string pdftkStandin() { return testing_support::nativePath(TARNWICK_BINARY_DIR "/standins/pdftk.exe"); }
std::string unixName(const std::string& path) { return unix_runner::unixName(unix_runner::fromUtf8(path)); }
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// Stands in for the file list: the owner of the jobs' notifiers.
class JobOwner : public Window {
public:
    JobOwner() {
        WNDCLASSEXA windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "TarnwickTestJobOwner";
        registerClass(windowClass);
        createWindow(0, "TarnwickTestJobOwner", "File list", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                     GetModuleHandleA(nullptr));
    }
    int jobsDone = 0;

private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_JOB_DONE && wParam == 0 && lParam == 0) ++jobsDone;
        return defaultHandling(message, wParam, lParam);
    }
};

using testing_support::pumpUntil;

// The notifier's status line, read without waiting for its busy thread.
std::string statusOf(HWND notifier) {
    char text[1024] = {};
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(GetDlgItem(notifier, kNotifierStatusId), WM_GETTEXT, sizeof text,
                             reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 100, &length)) {
        return std::string();
    }
    return text;
}

struct Row {
    std::string type;
    std::string result;
    LPARAM success;
    int image;
};

// A finished notifier as the user sees it before pressing Close.
struct Finished {
    HWND window = nullptr;
    std::string tally;
    std::map<std::string, Row> rows;  // by file name
};

HWND waitForNotifier(const char* className) {
    HWND window = nullptr;
    pumpUntil([&] { return (window = FindWindowA(className, nullptr)) != nullptr && IsWindowVisible(window); }, 60000);
    return window;
}

Finished waitForTally(const char* className) {
    Finished finished;
    finished.window = waitForNotifier(className);
    if (!finished.window) {
        ADD_FAILURE() << "no " << className;
        return finished;
    }
    const std::string prefix = className == kEncryptionClass ? "Encryption Result:" : "Decryption Result:";
    if (!pumpUntil([&] { return statusOf(finished.window).rfind(prefix, 0) == 0; }, 300000)) {
        ADD_FAILURE() << "no tally; status " << statusOf(finished.window);
        return finished;
    }
    finished.tally = statusOf(finished.window);
    HWND list = GetDlgItem(finished.window, kNotifierListId);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LVITEMA item = jobs_test::itemOf(list, i);
        finished.rows[jobs_test::itemText(list, i, 0)] =
            Row{jobs_test::itemText(list, i, 1), jobs_test::itemText(list, i, 2), item.lParam, item.iImage};
    }
    return finished;
}

// Presses Close and checks that the owner hears of the job exactly once, and
// not before.
void closeAndExpectOneDone(const Finished& finished, JobOwner& owner) {
    const int before = owner.jobsDone;
    pumpUntil([] { return false; }, 300);
    EXPECT_EQ(owner.jobsDone, before) << "WM_JOB_DONE before the notifier was closed";
    HWND close = GetDlgItem(finished.window, kNotifierCloseId);
    ASSERT_TRUE(IsWindowEnabled(close));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(finished.window, kNotifierCancelId)));
    PostMessageA(close, BM_CLICK, 0, 0);
    ASSERT_TRUE(pumpUntil([&] { return owner.jobsDone > before; }, 30000)) << "no WM_JOB_DONE";
    EXPECT_FALSE(IsWindow(finished.window));
    pumpUntil([] { return false; }, 300);
    EXPECT_EQ(owner.jobsDone, before + 1);
}

// Success rows in the list's own colour with the success image, the others
// red with the failure image: the colour follows the item data.
void expectRowMarks(const Finished& finished) {
    int successImage = -1, failureImage = -1;
    for (const auto& [name, row] : finished.rows) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(row.type.empty());
        const bool ok = row.result == "OK";
        EXPECT_EQ(row.success, ok ? 1 : 0);
        int& image = ok ? successImage : failureImage;
        if (image < 0) image = row.image;
        EXPECT_EQ(row.image, image);
    }
    if (successImage >= 0 && failureImage >= 0) {
        EXPECT_NE(successImage, failureImage);
    }
}

void fill(LinkedList& list, const std::vector<std::string>& paths) {
    for (const std::string& path : paths) list.addLast(new String(path.c_str()));
}


// The PDF opens with the user password derived from its name and with this
// user's owner password, and not without a password.
void expectPdfEncrypted(const std::string& path) {
    SCOPED_TRACE(path);
    char user[64] = {};
    char owner[64] = {};
    ASSERT_TRUE(PasswordGenerator::getPdfUserPassword(fileNameOf(path).c_str(), user));
    ASSERT_TRUE(PasswordGenerator::getPdfOwnerPassword(owner));
    const std::string asUser = qpdf({"--show-encryption", "--password=" + std::string(user), unixName(path)});
    EXPECT_TRUE(contains(asUser, "Supplied password is user password")) << asUser;
    const std::string asOwner = qpdf({"--show-encryption", "--password=" + std::string(owner), unixName(path)});
    EXPECT_TRUE(contains(asOwner, "Supplied password is owner password")) << asOwner;
    EXPECT_TRUE(contains(asOwner, "print high resolution: allowed")) << asOwner;
    EXPECT_TRUE(contains(asOwner, "extract for any purpose: allowed")) << asOwner;
    const std::string none = qpdf({"--show-encryption", unixName(path)});
    EXPECT_TRUE(contains(none, "Incorrect password supplied")) << none;
}

// Not encrypted, and the sample's page text is there.
void expectPdfPlain(const std::string& path) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(contains(qpdf({"--show-encryption", unixName(path)}), "File is not encrypted"));
    const std::string qdf = path + ".qdf";
    qpdf({"--qdf", "--object-streams=disable", unixName(path), unixName(qdf)});
    EXPECT_TRUE(contains(readBytes(qdf), "(Tarnwick sample page) Tj"));
    DeleteFileA(qdf.c_str());
}

class Jobs : public office_test::OfficeFixture {
protected:
    void SetUp() override {
        OfficeFixture::SetUp();
        CoInitialize(nullptr);
        work = folder + "\\work";
        CreateDirectoryA(work.c_str(), nullptr);
        TarnwickRegistry settings;
        settings.setPathForPDFTK(pdftkStandin().c_str());
        RegSetKeyValueA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, "WorkingFolder", REG_SZ, work.c_str(),
                        static_cast<DWORD>(work.size() + 1));
        settings.setDonotUpdateFileTime(false);
        settings.setPrinting(true);
        settings.setCopyContents(true);
        owner = std::make_unique<JobOwner>();
        ASSERT_TRUE(owner->getWindow());
    }
    void TearDown() override {
        owner.reset();
        CoUninitialize();
        OfficeFixture::TearDown();
    }

    // A copy of an Office stand-in sample, or of the sample PDF (".pdf"), or
    // a few bytes (anything else), named name in the folder given.
    std::string make(const std::string& name, const std::string& sampleName, const std::string& in = "") {
        const std::string path = (in.empty() ? folder : in) + "\\" + name;
        if (sampleName == ".pdf") {
            EXPECT_TRUE(CopyFileA(samplePdf().c_str(), path.c_str(), FALSE));
        } else if (sampleName.empty()) {
            std::ofstream(path, std::ios::binary) << "not a document";
        } else {
            EXPECT_TRUE(CopyFileA(office_test::sample(sampleName).c_str(), path.c_str(), FALSE)) << sampleName;
        }
        return path;
    }

    std::string subfolder(const std::string& name) {
        const std::string path = folder + "\\" + name;
        CreateDirectoryA(path.c_str(), nullptr);
        return path;
    }

    // Starts a job the way the file list's commands do, waits for its tally
    // and leaves the notifier open.
    Finished runUntilTally(bool encrypt, const std::vector<std::string>& paths) {
        {
            LinkedList list;
            fill(list, paths);
            EXPECT_TRUE(encrypt ? startEncryptionJob(owner->getWindow(), list)
                                : startDecryptionJob(owner->getWindow(), list));
        }  // the command's list goes at once; the job has its own copy
        return waitForTally(encrypt ? kEncryptionClass : kDecryptionClass);
    }

    Finished run(bool encrypt, const std::vector<std::string>& paths) {
        Finished finished = runUntilTally(encrypt, paths);
        if (finished.window) closeAndExpectOneDone(finished, *owner);
        return finished;
    }

    std::string work;
    std::unique_ptr<JobOwner> owner;
};

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
