#include "jobs/tests/JobsTestSupport.h"

#include <objbase.h>

#include <fstream>

#include "foundation/String.h"
#include "jobs/Notifier.h"
#include "jobs/PasswordJobs.h"
#include "resources/TarnwickIds.h"
#include "settings/PasswordGenerator.h"
#include "settings/TarnwickRegistry.h"
#include "testing/TestPaths.h"

namespace jobs_test {

namespace {

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
std::string fileNameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

}  // namespace

std::string samplePdf() { return testing_support::nativePath(TARNWICK_SOURCE_DIR "/jobs/tests/fixtures/sample.pdf"); }
std::string pdftkStandin() { return testing_support::nativePath(TARNWICK_BINARY_DIR "/standins/pdftk.exe"); }
std::string unixName(const std::string& path) { return unix_runner::unixName(unix_runner::fromUtf8(path)); }

void fill(LinkedList& list, const std::vector<std::string>& paths) {
    for (const std::string& path : paths) list.addLast(new String(path.c_str()));
}

JobOwner::JobOwner() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "TarnwickTestJobOwner";
    registerClass(windowClass);
    createWindow(0, "TarnwickTestJobOwner", "File list", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, nullptr,
                 GetModuleHandleA(nullptr));
}

LRESULT JobOwner::handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_JOB_DONE && wParam == 0 && lParam == 0) ++jobsDone;
    return defaultHandling(message, wParam, lParam);
}

std::string statusOf(HWND notifier) { return windowText(GetDlgItem(notifier, kNotifierStatusId), 100); }

HWND waitForNotifier(const char* className) {
    HWND window = nullptr;
    testing_support::pumpUntil(
        [&] { return (window = FindWindowA(className, nullptr)) != nullptr && IsWindowVisible(window); }, 60000);
    return window;
}

Finished waitForTally(const char* className) {
    Finished finished;
    finished.window = waitForNotifier(className);
    if (!finished.window) {
        ADD_FAILURE() << "no " << className;
        return finished;
    }
    const std::string prefix =
        std::string(className) == kEncryptionClass ? "Encryption Result:" : "Decryption Result:";
    if (!testing_support::pumpUntil([&] { return statusOf(finished.window).rfind(prefix, 0) == 0; }, 300000)) {
        ADD_FAILURE() << "no tally; status " << statusOf(finished.window);
        return finished;
    }
    finished.tally = statusOf(finished.window);
    HWND list = GetDlgItem(finished.window, kNotifierListId);
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        const LVITEMA item = itemOf(list, i);
        finished.rows[itemText(list, i, 0)] = Row{itemText(list, i, 1), itemText(list, i, 2), item.lParam, item.iImage};
    }
    return finished;
}

void closeAndExpectOneDone(const Finished& finished, JobOwner& owner) {
    const int before = owner.jobsDone;
    testing_support::pumpFor(300);
    EXPECT_EQ(owner.jobsDone, before) << "WM_JOB_DONE before the notifier was closed";
    HWND close = GetDlgItem(finished.window, kNotifierCloseId);
    ASSERT_TRUE(IsWindowEnabled(close));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(finished.window, kNotifierCancelId)));
    PostMessageA(close, BM_CLICK, 0, 0);
    ASSERT_TRUE(testing_support::pumpUntil([&] { return owner.jobsDone > before; }, 30000)) << "no WM_JOB_DONE";
    EXPECT_FALSE(IsWindow(finished.window));
    testing_support::pumpFor(300);
    EXPECT_EQ(owner.jobsDone, before + 1);
}

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

void expectPdfPlain(const std::string& path) {
    SCOPED_TRACE(path);
    EXPECT_TRUE(contains(qpdf({"--show-encryption", unixName(path)}), "File is not encrypted"));
    const std::string qdf = path + ".qdf";
    qpdf({"--qdf", "--object-streams=disable", unixName(path), unixName(qdf)});
    EXPECT_TRUE(contains(testing_support::readBytes(qdf), "(Tarnwick sample page) Tj"));
    DeleteFileA(qdf.c_str());
}

void JobsFixture::SetUp() {
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

void JobsFixture::TearDown() {
    owner.reset();
    CoUninitialize();
    OfficeFixture::TearDown();
}

std::string JobsFixture::make(const std::string& name, const std::string& sampleName, const std::string& in) {
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

std::string JobsFixture::subfolder(const std::string& name) {
    const std::string path = folder + "\\" + name;
    CreateDirectoryA(path.c_str(), nullptr);
    return path;
}

Finished JobsFixture::runUntilTally(bool encrypt, const std::vector<std::string>& paths) {
    {
        LinkedList list;
        fill(list, paths);
        EXPECT_TRUE(encrypt ? startEncryptionJob(owner->getWindow(), list)
                            : startDecryptionJob(owner->getWindow(), list));
    }  // the command's list goes at once; the job has its own copy
    return waitForTally(encrypt ? kEncryptionClass : kDecryptionClass);
}

Finished JobsFixture::run(bool encrypt, const std::vector<std::string>& paths) {
    Finished finished = runUntilTally(encrypt, paths);
    if (finished.window) closeAndExpectOneDone(finished, *owner);
    return finished;
}

}  // namespace jobs_test
