// What a job costs beyond the work it hands out: one encryption job over N
// small PDF files against the same N pdftk runs started bare, one after the
// other; and one encryption job over N small .docx files against the sum of
// the Word engine calls it made. Prints both overhead ratios (aim: at most
// 1.1), and for the PDF job how many messages its thread removed while it
// ran: each costs a pause (100 ms while pdftk runs, 10 ms otherwise), so
// their number bounds that part of the overhead.
//
// For the .docx job it also times the same protect calls made without a
// job, which tells the Office flow's share of the overhead from the job's.
//
// Usage: job_benchmark.exe <pdftk.exe> <sample.pdf> <sample.docx> <folder> [files]

#include <windows.h>
#include <objbase.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "testing/BenchmarkClock.h"
#include "foundation/LinkedList.h"
#include "foundation/String.h"
#include "jobs/Notifier.h"
#include "jobs/ProtectionJob.h"
#include "office/OfficeApplication.h"
#include "settings/TarnwickRegistry.h"
#include "wingui/ProcessWindows.h"

namespace {

std::atomic<int> messagesRemoved{0};

LRESULT CALLBACK countRemoved(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && wParam == PM_REMOVE) ++messagesRemoved;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Word engine time, summed over the job's calls.
double engineMs = 0;

class TimedSession : public OfficeApplication {
public:
    using OfficeApplication::OfficeApplication;
    int protectWord(const char* filePath, const char* password) override {
        const double start = nowMs();
        const int result = OfficeApplication::protectWord(filePath, password);
        engineMs += nowMs() - start;
        return result;
    }
};

std::unique_ptr<OfficeApplication> makeTimedSession(int doc, int ppt, int xls) {
    return std::make_unique<TimedSession>(doc, ppt, xls);
}

std::vector<std::string> copies(const std::string& sample, const std::string& folder, const char* extension, int n) {
    CreateDirectoryA(folder.c_str(), nullptr);
    std::vector<std::string> paths;
    for (int i = 0; i < n; ++i) {
        paths.push_back(folder + "\\file " + std::to_string(i) + extension);
        SetFileAttributesA(paths.back().c_str(), FILE_ATTRIBUTE_NORMAL);
        CopyFileA(sample.c_str(), paths.back().c_str(), FALSE);
    }
    return paths;
}

// Runs the job on a worker thread, presses Close once the tally shows, and
// returns the time from the start to the tally, in ms.
double timeJob(const std::vector<std::string>& paths, ProtectionJob::SessionFactory factory, bool countMessages) {
    LinkedList files;
    for (const std::string& path : paths) files.addLast(new String(path.c_str()));
    const double start = nowMs();
    std::thread worker([&] {
        HHOOK hook = countMessages ? SetWindowsHookExA(WH_GETMESSAGE, countRemoved, nullptr, GetCurrentThreadId())
                                   : nullptr;
        ProtectionJob(JobDirection::Encryption, nullptr, GetModuleHandleA(nullptr), factory).run(files);
        if (hook) UnhookWindowsHookEx(hook);
    });
    double finished = 0;
    for (;;) {
        HWND notifier = FindWindowA(EncryptionNotifier::kTexts.className, nullptr);
        char status[256] = {};
        if (notifier) {
            DWORD_PTR length = 0;
            SendMessageTimeoutA(GetDlgItem(notifier, kNotifierStatusId), WM_GETTEXT, sizeof status,
                                reinterpret_cast<LPARAM>(status), SMTO_NORMAL, 50, &length);
        }
        if (std::string(status).rfind("Encryption Result:", 0) == 0) {
            finished = nowMs();
            std::printf("  %s\n", status);
            PostMessageA(GetDlgItem(notifier, kNotifierCloseId), BM_CLICK, 0, 0);
            break;
        }
        Sleep(5);
    }
    worker.join();
    return finished - start;
}

// The same pdftk command lines the job would run, started bare one after
// another.
double timeBarePdftk(const std::string& pdftk, const std::vector<std::string>& paths, const std::string& out) {
    CreateDirectoryA(out.c_str(), nullptr);
    double total = 0;
    int i = 0;
    for (const std::string& path : paths) {
        std::string command = "\"" + pdftk + "\" A=\"" + path + "\" output \"" + out + "\\" + std::to_string(i++) +
                              ".pdf\" user_pw 0123456789abcdef0123456789abcdef allow Printing CopyContents owner_pw "
                              "fedcba9876543210fedcba9876543210 dont_ask";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        const double start = nowMs();
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                            &startup, &process)) {
            std::fprintf(stderr, "cannot start pdftk\n");
            return 0;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        total += nowMs() - start;
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s <pdftk.exe> <sample.pdf> <sample.docx> <folder> [files]\n", argv[0]);
        return 2;
    }
    const std::string pdftk = argv[1], pdf = argv[2], docx = argv[3], folder = argv[4];
    const int count = argc > 5 ? std::atoi(argv[5]) : 200;
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string work = folder + "\\work";
    CreateDirectoryA(work.c_str(), nullptr);
    static HMODULE user32 = LoadLibraryA("user32.dll");
    User32_SetModule(user32);
    {
        TarnwickRegistry settings;
        settings.setPathForPDFTK(pdftk.c_str());
        RegSetKeyValueA(HKEY_CURRENT_USER, TarnwickRegistry::kKey, "WorkingFolder", REG_SZ, work.c_str(),
                        static_cast<DWORD>(work.size() + 1));
        settings.setDonotUpdateFileTime(false);
        settings.setPrinting(true);
        settings.setCopyContents(true);
    }

    {
        // What one file's rows and status cost the job by themselves.
        EncryptionNotifier notifier(GetModuleHandleA(nullptr));
        notifier.create(nullptr, GetCurrentThreadId());
        const double start = nowMs();
        for (int i = 0; i < count; ++i) {
            const std::string path = folder + "\\row " + std::to_string(i) + ".docx";
            notifier.setStatus(path.c_str());
            notifier.addResult(path.c_str(), "OK", true);
        }
        std::printf("notifier status and row: %.1f ms per file\n", (nowMs() - start) / count);
        notifier.close();
    }
    std::printf("PDF job, %d files\n", count);
    const double bare = timeBarePdftk(pdftk, copies(pdf, folder + "\\bare", ".pdf", count), folder + "\\bare-out");
    const double pdfJob = timeJob(copies(pdf, folder + "\\pdf", ".pdf", count), nullptr, true);
    std::printf("  bare pdftk runs %.0f ms, job %.0f ms, ratio %.3f\n", bare, pdfJob, pdfJob / bare);
    std::printf("  overhead %.1f ms per file; %d messages removed by the job's thread (at most %.1f ms per file "
                "in pauses)\n",
                (pdfJob - bare) / count, messagesRemoved.load(), 100.0 * messagesRemoved.load() / count);

    std::printf(".docx job, %d files\n", count);
    // The same protect calls without a job: the flow's share (backup,
    // password, checks) apart from the job's.
    double flowMs = 0;
    {
        const std::vector<std::string> bareDocx = copies(docx, folder + "\\bare-docx", ".docx", count);
        TimedSession session(1, 0, 0);
        const double start = nowMs();
        for (const std::string& path : bareDocx) session.protect(path.c_str(), false);
        flowMs = nowMs() - start;
    }
    const double bareEngineMs = engineMs;
    engineMs = 0;
    messagesRemoved = 0;
    const double docxJob = timeJob(copies(docx, folder + "\\docx", ".docx", count), makeTimedSession, true);
    std::printf("  Word engine calls %.0f ms, job %.0f ms, ratio %.3f\n", engineMs, docxJob, docxJob / engineMs);
    std::printf("  the same protect calls without a job %.0f ms (engine %.0f ms): job / bare protect calls %.3f\n",
                flowMs, bareEngineMs, docxJob / flowMs);
    std::printf("  overhead %.1f ms per file over the engine; %d messages removed by the job's thread (%.1f ms per "
                "file in 10 ms pauses, plus 10 ms between files)\n",
                (docxJob - engineMs) / count, messagesRemoved.load(), 10.0 * messagesRemoved.load() / count);
    return 0;
}
