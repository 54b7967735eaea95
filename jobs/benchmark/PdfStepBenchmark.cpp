// Per-file cost of the PDF step without pdftk's own work: the pdftk
// stand-in is told to end at once with exit code 1, so every file goes
// through the whole step (times, GUID, user password, parking move, process
// start and wait, move back, times, row) and ends where it began. Printed
// next to the cost of one MoveFile pair (there and back) and of starting and
// waiting for the stand-in alone.
//
// Usage: pdf_step_benchmark.exe <pdftk.exe> <folder> [files]

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testing/BenchmarkClock.h"
#include "jobs/Notifier.h"
#include "jobs/PdfProtector.h"

namespace {

bool writeSample(const std::string& path) {
    static const char kPdf[] = "%PDF-1.4\n% benchmark sample\n%%EOF\n";
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, kPdf, sizeof kPdf - 1, &written, nullptr);
    CloseHandle(file);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <pdftk.exe> <folder> [files]\n", argv[0]);
        return 2;
    }
    const std::string pdftk = argv[1];
    const std::string folder = argv[2];
    const int count = argc > 3 ? std::atoi(argv[3]) : 40;
    const std::string work = folder + "\\work";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA(work.c_str(), nullptr);
    CoInitialize(nullptr);
    SetEnvironmentVariableA("TARNWICK_PDFTK_EXIT_CODE", "1");

    std::vector<std::string> files;
    for (int i = 0; i < count; ++i) {
        files.push_back(folder + "\\benchmark file " + std::to_string(i) + ".pdf");
        if (!writeSample(files.back())) return 1;
    }

    // One MoveFile pair per file.
    double start = nowMs();
    for (const std::string& file : files) {
        const std::string parked = work + "\\parked.pdf";
        MoveFileA(file.c_str(), parked.c_str());
        MoveFileA(parked.c_str(), file.c_str());
    }
    const double movePair = (nowMs() - start) / count;

    // Starting the stand-in and waiting for it, nothing else.
    start = nowMs();
    for (int i = 0; i < count; ++i) {
        std::string command = "\"" + pdftk + "\"";
        STARTUPINFOA startup = hiddenStartupInfo();
        PROCESS_INFORMATION process = {};
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NEW_PROCESS_GROUP, nullptr, nullptr,
                            &startup, &process)) {
            return 1;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    const double processOnly = (nowMs() - start) / count;

    // The whole step, with a notifier window getting the rows, and again
    // without a window (no messages to handle while waiting).
    PdfRunInputs inputs;
    inputs.pdftkPath = pdftk.c_str();
    inputs.ownerPassword = "0123456789abcdef0123456789abcdef";
    inputs.rightsText = "allow Printing CopyContents";
    inputs.workingFolder = work.c_str();
    inputs.keepFileTimes = true;
    inputs.startupInfo = hiddenStartupInfo();
    int failed = 0;
    double step[2] = {};
    for (int windowed = 1; windowed >= 0; --windowed) {
        EncryptionNotifier notifier(GetModuleHandleA(nullptr));
        if (windowed) notifier.create(nullptr, GetCurrentThreadId());
        PdfProtector protector(inputs, notifier);
        start = nowMs();
        for (const std::string& file : files) {
            if (!protector.encryptPdf(file.c_str())) ++failed;
        }
        step[windowed] = (nowMs() - start) / count;
        notifier.close();
    }

    std::printf("files: %d (all %s)\n", count,
                failed == 2 * count ? "NG and moved back, as expected" : "NOT as expected");
    std::printf("PDF step without pdftk:          %8.2f ms per file\n", step[1]);
    std::printf("  the same without a window:      %8.2f ms per file\n", step[0]);
    std::printf("  of which starting the stand-in: %8.2f ms per file\n", processOnly);
    std::printf("one MoveFile pair:               %8.2f ms per file\n", movePair);
    for (const std::string& file : files) DeleteFileA(file.c_str());
    CoUninitialize();
    return failed == 2 * count ? 0 : 1;
}
