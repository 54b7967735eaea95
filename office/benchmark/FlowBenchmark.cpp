// The protect / unprotect flow's own cost per file, with engines that
// succeed at once, next to one CopyFile plus one DeleteFile of the same file.
// Usage: office_benchmark FOLDER. Not a test: see run-benchmark.sh.

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "office/OfficeApplication.h"
#include "office/OfficeVersion.h"
#include "settings/PasswordGenerator.h"
#include "wingui/ProcessWindows.h"

namespace {

class InstantSession : public OfficeApplication {
public:
    InstantSession() : OfficeApplication(0, 0, 0) {}
    int protectWord(const char*, const char*) override { return 0; }
    int unprotectWord(const char*, const char*) override { return 0; }
    int protectPowerPoint(const char*, const char*) override { return 0; }
    int unprotectPowerPoint(const char*, const char*) override { return 0; }
    int protectExcel(const char*, const char*) override { return 0; }
    int unprotectExcel(const char*, const char*) override { return 0; }
};

double seconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) / double(frequency.QuadPart);
}

bool makeFile(const std::string& path, size_t size) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::vector<char> block(65536);
    for (size_t i = 0; i < block.size(); ++i) block[i] = char(i * 31 + 7);
    for (size_t done = 0; done < size;) {
        DWORD chunk = DWORD(std::min(block.size(), size - done));
        DWORD written = 0;
        WriteFile(file, block.data(), chunk, &written, nullptr);
        done += chunk;
    }
    CloseHandle(file);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: office_benchmark FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    CreateDirectoryA(folder.c_str(), nullptr);
    User32_SetModule(LoadLibraryA("user32.dll"));
    InstantSession session;
    struct Size {
        const char* name;
        size_t bytes;
        int rounds;
    };
    const Size sizes[] = {{"10 KB", 10 * 1024, 200}, {"1 MB", 1024 * 1024, 50}, {"20 MB", 20 * 1024 * 1024, 10}};
    std::printf("%-6s %7s %14s %14s %7s\n", "size", "rounds", "flow ms/file", "copy+del ms", "ratio");
    for (const Size& s : sizes) {
        std::string path = folder + "\\bench.docx";
        std::string copy = folder + "\\bench-copy.docx";
        if (!makeFile(path, s.bytes)) return 1;
        // Best of three runs on each side, alternating.
        double best = 1e9, bestCopy = 1e9;
        for (int run = 0; run < 3; ++run) {
            double start = seconds();
            for (int i = 0; i < s.rounds; ++i) {
                int rc = (i % 2 == 0) ? session.protect(path.c_str(), true) : session.unprotect(path.c_str(), true);
                if (rc != 0) {
                    std::fprintf(stderr, "flow failed: %d\n", rc);
                    return 1;
                }
            }
            best = std::min(best, (seconds() - start) / s.rounds);
            start = seconds();
            for (int i = 0; i < s.rounds; ++i) {
                CopyFileA(path.c_str(), copy.c_str(), FALSE);
                DeleteFileA(copy.c_str());
            }
            bestCopy = std::min(bestCopy, (seconds() - start) / s.rounds);
        }
        std::printf("%-6s %7d %14.3f %14.3f %7.2f\n", s.name, s.rounds, best * 1000, bestCopy * 1000, best / bestCopy);
        DeleteFileA(path.c_str());
    }
    // The fixed parts of the flow's cost, for reading the ratios above.
    const int rounds = 200;
    char password[33];
    double start = seconds();
    for (int i = 0; i < rounds; ++i) PasswordGenerator::getOfficePasswordForPath("C:\\x\\bench.docx", password);
    double derive = (seconds() - start) / rounds;
    start = seconds();
    for (int i = 0; i < rounds; ++i) OfficeVersion::getWordVersion();
    double probe = (seconds() - start) / rounds;
    std::printf("of which: password derivation %.3f ms, version probe %.3f ms per file\n", derive * 1000, probe * 1000);
    return 0;
}
