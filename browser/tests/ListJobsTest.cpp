// Encrypt and Decrypt from the file list, end to end: the commands hand the
// jobs exactly the selected files that fit, the Office stand-in and the
// pdftk stand-in do the work, and once the notifier is closed the list
// shows the new states. Files are checked with qpdf and msoffcrypto-tool,
// which this program did not write.

#include "browser/ListCommands.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "UnixRunner.h"
#include "browser/XListView.h"
#include "browser/tests/ListHost.h"
#include "browser/tests/ListTestSupport.h"
#include "classify/EncryptedFileFinder.h"
#include "jobs/Notifier.h"
#include "jobs/tests/JobsTestSupport.h"
#include "office/tests/OfficeTestSupport.h"
#include "resources/TarnwickIds.h"
#include "settings/PasswordGenerator.h"
#include "settings/TarnwickRegistry.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"
#include "wingui/ListView.h"
#include "wingui/MessagePump.h"

using namespace browser_test;

namespace {

using jobs_test::unixName;
using testing_support::pumpUntil;

// What a finished job's notifier showed: its tally and the names of its rows.
struct JobSeen {
    std::string tally;
    std::set<std::string> names;
};

// Waits for the notifier of the job that a command started, reads it once
// the tally is there and closes it.
JobSeen finishJob(const char* notifierClass) {
    const jobs_test::Finished finished = jobs_test::waitForTally(notifierClass);
    JobSeen seen;
    seen.tally = finished.tally;
    for (const auto& row : finished.rows) seen.names.insert(row.first);
    if (finished.window != nullptr) {
        PostMessageA(GetDlgItem(finished.window, kNotifierCloseId), BM_CLICK, 0, 0);
        pumpUntil([&] { return !IsWindow(finished.window); }, 30000);
    }
    return seen;
}

class ListJobsTest : public office_test::OfficeFixture {
protected:
    void SetUp() override {
        OfficeFixture::SetUp();
        listed_ = folder + "\\list\\";
        CreateDirectoryA(listed_.c_str(), nullptr);
        const std::string work = folder + "\\work";
        CreateDirectoryA(work.c_str(), nullptr);
        TarnwickRegistry settings;
        settings.setPathForPDFTK(jobs_test::pdftkStandin().c_str());
        RegSetKeyValueA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, "WorkingFolder", REG_SZ, work.c_str(),
                        static_cast<DWORD>(work.size() + 1));
        const std::string samplePdf = jobs_test::samplePdf();
        const struct {
            const char* name;
            std::string from;
        } files[] = {
            {"Memo plain.docx", office_test::sample("memo.docx")},
            {"Report plain.pdf", samplePdf},
            {"Locked.docx", fixture("agile.docx")},
            {"secret.pdf", fixture("qpdf-aes256.pdf")},
            {"Untouched.docx", office_test::sample("memo.docx")},
        };
        for (const auto& f : files) {
            ASSERT_TRUE(CopyFileA(f.from.c_str(), (listed_ + f.name).c_str(), FALSE)) << f.from;
            originals_[f.name] = readAll(listed_ + f.name);
        }
        shown_ = std::make_unique<ListedFolder>("File list jobs", listed_);
    }
    void TearDown() override {
        shown_.reset();
        OfficeFixture::TearDown();
    }
    HWND list() const { return shown_->list(); }
    std::string state(const char* name) const { return listGetCell(list(), rowOf(list(), name), 1); }
    // Waits for the list to be listed again after a job, with the state of
    // name as expected.
    void expectListedAgain(const char* name, const char* expected) {
        EXPECT_TRUE(pumpUntil([&] { return rowOf(list(), name) >= 0 && state(name) == expected; }, 30000))
            << name << " shows '" << state(name) << "'";
    }
    void expectUnchanged(const char* name) { EXPECT_EQ(readAll(listed_ + name), originals_[name]) << name; }

    std::string listed_;
    std::map<std::string, std::string> originals_;
    std::unique_ptr<ListedFolder> shown_;
};

TEST_F(ListJobsTest, EncryptAndDecryptTakeExactlyTheFittingSelectedFiles) {
    const std::string memo = listed_ + "Memo plain.docx";
    const std::string report = listed_ + "Report plain.pdf";
    char userPassword[64] = {};
    ASSERT_TRUE(PasswordGenerator::getPdfUserPassword("Report plain.pdf", userPassword));

    // Two plain and two password-encrypted files selected: the plain ones
    // are encrypted, the others and the unselected file are left alone.
    select(list(), {"Memo plain.docx", "Report plain.pdf", "Locked.docx", "secret.pdf"});
    SendMessageA(list(), WM_COMMAND, IDM_LIST_ENCRYPT, 0);
    const JobSeen encrypted = finishJob(jobs_test::kEncryptionClass);
    EXPECT_EQ(encrypted.tally, "Encryption Result: Total=2   Scucceeded=2   Failed=0");
    EXPECT_EQ(encrypted.names, (std::set<std::string>{"Memo plain.docx", "Report plain.pdf"}));
    expectListedAgain("Memo plain.docx", "PWD");
    EXPECT_EQ(state("Report plain.pdf"), "PWD");
    EXPECT_EQ(state("Untouched.docx"), "");
    for (const char* name : {"Locked.docx", "secret.pdf", "Untouched.docx"}) expectUnchanged(name);
    EXPECT_EQ(unix_runner::run("/usr/bin/qpdf", {"--requires-password", unixName(report)}), 0);
    std::string output;
    EXPECT_EQ(unix_runner::run("/usr/bin/qpdf", {"--show-encryption", "--password=" + std::string(userPassword),
                                                 unixName(report)},
                               &output),
              0)
        << output;
    EXPECT_NE(output.find("Supplied password is user password"), std::string::npos) << output;
    const std::string opened = folder + "\\memo-opened.docx";
    EXPECT_EQ(unix_runner::run("/usr/bin/msoffcrypto-tool",
                               {"-p", office_test::officePassword(memo), unixName(memo), unixName(opened)}, &output),
              0)
        << output;
    EXPECT_EQ(readAll(opened).substr(0, 2), "PK");
    browser_test::settleForScreenshot(shown_->host->getWindow());
    testing_support::saveScreenshot(shown_->host->getWindow(), "FileListAfterEncrypt");

    // Decrypt with the two just encrypted and a plain file selected.
    select(list(), {"Memo plain.docx", "Report plain.pdf", "Untouched.docx"});
    SendMessageA(list(), WM_COMMAND, IDM_LIST_DECRYPT, 0);
    const JobSeen decrypted = finishJob(jobs_test::kDecryptionClass);
    EXPECT_EQ(decrypted.tally, "Decryption Result: Total=2   Scucceeded=2   Failed=0");
    EXPECT_EQ(decrypted.names, (std::set<std::string>{"Memo plain.docx", "Report plain.pdf"}));
    expectListedAgain("Memo plain.docx", "");
    EXPECT_EQ(state("Report plain.pdf"), "");
    for (const char* name : {"Locked.docx", "secret.pdf", "Untouched.docx"}) expectUnchanged(name);
    EXPECT_EQ(unix_runner::run("/usr/bin/qpdf", {"--requires-password", unixName(report)}), 2);
    EXPECT_FALSE(EncryptedFileFinder().isPasswordEncrypted(memo.c_str()));
    EXPECT_EQ(readAll(memo).substr(0, 2), "PK");
}

}  // namespace
