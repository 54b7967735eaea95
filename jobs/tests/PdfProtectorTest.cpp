#include "jobs/PdfProtector.h"

#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>

#include "UnixRunner.h"
#include "classify/PDFFile.h"
#include "jobs/FileTimes.h"
#include "jobs/JobTexts.h"
#include "jobs/Notifier.h"
#include "jobs/tests/JobsTestSupport.h"
#include "settings/PasswordGenerator.h"
#include "settings/TarnwickRegistry.h"
#include "testing/Screenshot.h"
#include "testing/TestPaths.h"
#include "testing/Waiting.h"

using namespace jobs_test;

namespace {

const std::string kMarker = "Tarnwick sample page";

using testing_support::readBytes;

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string samplePdfBytes() { return readBytes(samplePdf()); }

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// The file list's own test of a PDF's encryption.
bool looksEncrypted(const std::string& path) {
    try {
        return PDFFile(path.c_str()).isEncrypted();
    } catch (int) {
        return false;
    }
}

int countEntries(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        if (std::string(found.cFileName) != "." && std::string(found.cFileName) != "..") ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

void clearReadOnly(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        SetFileAttributesA((folder + "\\" + found.cFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}


bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The settings a job reads, written as the program or an installer would.
void configure(const std::string* pdftk, const std::string& workingFolder) {
    TarnwickRegistry settings;
    if (pdftk) {
        settings.setPathForPDFTK(pdftk->c_str());
    } else {
        RegDeleteKeyValueA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, "PathForPDFTK");
    }
    RegSetKeyValueA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, "WorkingFolder", REG_SZ, workingFolder.c_str(),
                    static_cast<DWORD>(workingFolder.size() + 1));
}

class PdfProtectorTest : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitialize(nullptr);
        const std::string name =
            std::string("pdf-") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        // A failed run may have left a read-only file that would keep the
        // folder from being emptied.
        clearReadOnly(testing_support::nativePath(TARNWICK_BINARY_DIR "/test-output/") + name + "\\work");
        folder_ = testing_support::freshFolder(name);
        work_ = folder_ + "\\work";
        CreateDirectoryA(work_.c_str(), nullptr);
        const std::string standin = pdftkStandin();
        configure(&standin, work_);
        TarnwickRegistry().setDonotUpdateFileTime(false);
        preparePdfRunInputs(JobDirection::Encryption, inputs_);
        notifier_.create(nullptr, GetCurrentThreadId());
        ASSERT_TRUE(notifier_.getWindow());
    }
    void TearDown() override {
        settle();
        notifier_.close();
        CoUninitialize();
    }

    std::string makeSample(const std::string& name) {
        const std::string path = folder_ + "\\" + name;
        writeBytes(path, samplePdfBytes());
        return path;
    }

    // The result text of the row for name, or "" when there is none.
    std::string rowFor(const std::string& name) {
        HWND list = GetDlgItem(notifier_.getWindow(), kNotifierListId);
        const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            if (itemText(list, i, 0) == name) return itemText(list, i, 2);
        }
        return "";
    }

    int rowCount() {
        return static_cast<int>(SendMessageA(GetDlgItem(notifier_.getWindow(), kNotifierListId), LVM_GETITEMCOUNT, 0, 0));
    }

    std::string folder_;
    std::string work_;
    PdfRunInputs inputs_;
    EncryptionNotifier notifier_{GetModuleHandleA(nullptr)};
};

}  // namespace

TEST_F(PdfProtectorTest, EncryptsWithTheDerivedPasswordsAndTheAskedRightsAndDecryptsBack) {
    struct Case {
        bool printing, copy;
    } const cases[] = {{true, true}, {true, false}, {false, true}, {false, false}};
    int number = 0;
    for (const Case& c : cases) {
        const std::string name = "Quarterly report " + std::to_string(++number) + ".pdf";
        SCOPED_TRACE(name);
        const std::string path = makeSample(name);
        // A read-only source must not leave its unencrypted copy behind.
        if (number == 1) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        char user[64] = {};
        ASSERT_TRUE(PasswordGenerator::getPdfUserPassword(name.c_str(), user));
        TarnwickRegistry().setPrinting(c.printing);
        TarnwickRegistry().setCopyContents(c.copy);
        preparePdfRunInputs(JobDirection::Encryption, inputs_);
        PdfProtector protector(inputs_, notifier_);
        notifier_.setStatus(formatProgressText(JobDirection::Encryption, number, 4, path.c_str()).c_str());

        ASSERT_TRUE(protector.encryptPdf(path.c_str()));
        EXPECT_EQ(rowFor(name), "OK");
        EXPECT_TRUE(looksEncrypted(path));
        EXPECT_EQ(countEntries(work_), 0);

        const std::string asUser = qpdf({"--show-encryption", "--password=" + std::string(user), unixName(path)});
        EXPECT_TRUE(contains(asUser, "Supplied password is user password")) << asUser;
        EXPECT_TRUE(contains(asUser, "R = 4")) << asUser;
        EXPECT_TRUE(contains(asUser, "file encryption method: AESv2")) << asUser;
        EXPECT_TRUE(contains(asUser, std::string("print high resolution: ") + (c.printing ? "allowed" : "not allowed")))
            << asUser;
        EXPECT_TRUE(contains(asUser, std::string("extract for any purpose: ") + (c.copy ? "allowed" : "not allowed")))
            << asUser;
        const std::string asOwner = qpdf(
            {"--show-encryption", "--password=" + std::string(inputs_.ownerPassword.getContents()), unixName(path)});
        EXPECT_TRUE(contains(asOwner, "Supplied password is owner password")) << asOwner;
        EXPECT_TRUE(contains(asOwner, "User password = " + std::string(user))) << asOwner;

        ASSERT_TRUE(protector.decryptPdf(path.c_str()));
        EXPECT_FALSE(looksEncrypted(path));
        EXPECT_EQ(countEntries(work_), 0);
        EXPECT_TRUE(contains(qpdf({"--show-encryption", unixName(path)}), "File is not encrypted"));
        const std::string qdf = folder_ + "\\content.qdf";
        qpdf({"--qdf", "--object-streams=disable", unixName(path), unixName(qdf)});
        EXPECT_TRUE(contains(readBytes(qdf), "(" + kMarker + ") Tj"));
        EXPECT_FALSE(protector.isCancelRequested());
    }
    EXPECT_EQ(rowCount(), 8);
    notifier_.finish(formatTallyText(JobDirection::Encryption, 8, 8).c_str());
    settle();
    testing_support::saveScreenshot(notifier_.getWindow(), "PdfNotifierFinished");
}

TEST_F(PdfProtectorTest, AWrongOwnerPasswordGivesNgAndTheFileBackUnchanged) {
    const std::string path = makeSample("locked.pdf");
    PdfProtector protector(inputs_, notifier_);
    ASSERT_TRUE(protector.encryptPdf(path.c_str()));
    const std::string encrypted = readBytes(path);

    PdfRunInputs wrong = inputs_;
    wrong.ownerPassword = "0123456789abcdef0123456789abcdef";
    PdfProtector mistaken(wrong, notifier_);
    EXPECT_FALSE(mistaken.decryptPdf(path.c_str()));
    EXPECT_EQ(rowFor("locked.pdf"), "NG");
    EXPECT_EQ(readBytes(path), encrypted);
    EXPECT_EQ(countEntries(work_), 0);
}

TEST_F(PdfProtectorTest, NothingMovesWithoutPdftkOrWorkingFolder) {
    const std::string missingPdftk = folder_ + "\\nowhere\\pdftk.exe";
    const std::string standin = pdftkStandin();
    struct Case {
        const char* name;
        const std::string* pdftk;  // null: not configured
        std::string workingFolder;
        const char* row;
    } const cases[] = {
        {"not configured.pdf", nullptr, work_, "SKIPPED"},
        {"pdftk missing.pdf", &missingPdftk, work_, "SKIPPED"},
        {"no working folder.pdf", &standin, folder_ + "\\missing", "NG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = makeSample(c.name);
        FILETIME access, write, accessAfter, writeAfter;
        ASSERT_TRUE(getFileTime(path.c_str(), access, write));
        configure(c.pdftk, c.workingFolder);
        PdfRunInputs inputs;
        preparePdfRunInputs(JobDirection::Encryption, inputs);
        PdfProtector protector(inputs, notifier_);
        EXPECT_FALSE(protector.encryptPdf(path.c_str()));
        EXPECT_FALSE(protector.decryptPdf(path.c_str()));
        EXPECT_EQ(rowFor(c.name), c.row);
        EXPECT_EQ(readBytes(path), samplePdfBytes());
        ASSERT_TRUE(getFileTime(path.c_str(), accessAfter, writeAfter));
        EXPECT_EQ(CompareFileTime(&write, &writeAfter), 0);
    }
    EXPECT_EQ(rowCount(), 6);
    EXPECT_EQ(countEntries(work_), 0);
    EXPECT_FALSE(exists(folder_ + "\\missing"));
}

TEST_F(PdfProtectorTest, AnyExitCodeButZeroBringsTheFileBack) {
    // The stand-in ends with the forced code without running pdftk, so "0"
    // also stands for a pdftk that reports success but writes nothing.
    for (const char* code : {"1", "2", "3", "4", "0"}) {
        SCOPED_TRACE(code);
        const std::string name = std::string("exit ") + code + ".pdf";
        const std::string path = makeSample(name);
        ScopedEnvironment forced("TARNWICK_PDFTK_EXIT_CODE", code);
        PdfProtector protector(inputs_, notifier_);
        EXPECT_FALSE(protector.encryptPdf(path.c_str()));
        EXPECT_EQ(rowFor(name), "NG");
        EXPECT_EQ(readBytes(path), samplePdfBytes());
        EXPECT_EQ(countEntries(work_), 0);
    }
}

TEST_F(PdfProtectorTest, KeepingFileTimesGivesTheResultTheSourceTimes) {
    SYSTEMTIME old = {2001, 2, 0, 3, 4, 5, 6, 0};
    FILETIME oldTime;
    SystemTimeToFileTime(&old, &oldTime);
    FILETIME oldAccess = oldTime;
    oldAccess.dwLowDateTime += 70000000;  // seven seconds later
    for (bool keep : {true, false}) {
        SCOPED_TRACE(keep ? "kept" : "not kept");
        const std::string path = makeSample(keep ? "kept.pdf" : "new.pdf");
        ASSERT_TRUE(setFileTime(path.c_str(), oldAccess, oldTime));
        TarnwickRegistry().setDonotUpdateFileTime(keep);
        PdfRunInputs inputs;
        preparePdfRunInputs(JobDirection::Encryption, inputs);
        ASSERT_EQ(inputs.keepFileTimes, keep);
        PdfProtector protector(inputs, notifier_);
        for (int direction = 0; direction < 2; ++direction) {
            ASSERT_TRUE(direction == 0 ? protector.encryptPdf(path.c_str()) : protector.decryptPdf(path.c_str()));
            // Times first: reading the file may move its last-access time.
            FILETIME access, write;
            ASSERT_TRUE(getFileTime(path.c_str(), access, write));
            EXPECT_EQ(CompareFileTime(&write, &oldTime) == 0, keep);
            EXPECT_EQ(CompareFileTime(&access, &oldAccess) == 0, keep);
            EXPECT_EQ(looksEncrypted(path), direction == 0);
            if (keep) setFileTime(path.c_str(), oldAccess, oldTime);
        }
    }
}

TEST_F(PdfProtectorTest, CancelWhilePdftkRunsLetsTheFileFinish) {
    const std::string path = makeSample("cancelled while running.pdf");
    ScopedEnvironment slow("TARNWICK_PDFTK_DELAY_MS", "1500");
    HWND window = notifier_.getWindow();
    const std::string work = work_;
    // Once the file is set aside pdftk is running: press Cancel then.
    std::thread user([window, work] {
        for (int i = 0; i < 500 && countEntries(work) == 0; ++i) Sleep(10);
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(kNotifierCancelId, BN_CLICKED), 0);
    });
    MessageBoxAnswer answer("Encodding Notifier", IDOK);
    PdfProtector protector(inputs_, notifier_);
    EXPECT_TRUE(protector.encryptPdf(path.c_str()));
    user.join();
    EXPECT_TRUE(answer.wait());
    EXPECT_TRUE(protector.isCancelRequested());
    EXPECT_EQ(rowFor("cancelled while running.pdf"), "OK");
    EXPECT_TRUE(looksEncrypted(path));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, kNotifierCancelId)));
    EXPECT_EQ(countEntries(work_), 0);
}

TEST_F(PdfProtectorTest, RunInputsComeFromTheSettings) {
    TarnwickRegistry().setPrinting(false);
    TarnwickRegistry().setCopyContents(true);
    TarnwickRegistry().setDonotUpdateFileTime(true);
    PdfRunInputs encryption, decryption;
    preparePdfRunInputs(JobDirection::Encryption, encryption);
    preparePdfRunInputs(JobDirection::Decryption, decryption);
    char owner[64] = {};
    ASSERT_TRUE(PasswordGenerator::getPdfOwnerPassword(owner));
    for (const PdfRunInputs* inputs : {&encryption, &decryption}) {
        EXPECT_STREQ(inputs->pdftkPath.getContents(), pdftkStandin().c_str());
        EXPECT_STREQ(inputs->workingFolder.getContents(), work_.c_str());
        EXPECT_STREQ(inputs->ownerPassword.getContents(), owner);
        EXPECT_TRUE(inputs->keepFileTimes);
        EXPECT_TRUE(inputs->startupInfo.dwFlags & STARTF_USESHOWWINDOW);
        EXPECT_EQ(inputs->startupInfo.wShowWindow, SW_HIDE);
    }
    EXPECT_STREQ(encryption.rightsText.getContents(), "allow  CopyContents");
    EXPECT_STREQ(decryption.rightsText.getContents(), "");
    TarnwickRegistry().setPrinting(true);
    TarnwickRegistry().setDonotUpdateFileTime(false);
}

// The stand-in itself: pdftk-java overwrites its input when the output names
// the same file under another spelling, so the stand-in refuses.
TEST_F(PdfProtectorTest, StandinRefusesAnOutputThatIsItsInput) {
    const std::string path = makeSample("same.pdf");
    const std::string commands[] = {
        "\"" + pdftkStandin() + "\" A=same.pdf output \"" + path + "\" dont_ask",
        "\"" + pdftkStandin() + "\" \"" + path + "\" output SAME.PDF dont_ask",
    };
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        EXPECT_EQ(testing_support::runProgram(command, folder_, 60000), 1);
        EXPECT_EQ(readBytes(path), samplePdfBytes());
    }
}
