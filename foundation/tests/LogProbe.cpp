// A small program for the log tests: it logs what its command line asks for
// and ends. Each run is a fresh process, so the log reads its configuration
// anew from the key named after this program ("logprobe").
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "foundation/Log.h"

namespace {

void logFromThreads(int threads, int lines) {
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([t, lines] {
            // Long lines make torn writes likely when appends are not serialised.
            std::string filler(300, static_cast<char>('a' + t));
            for (int i = 0; i < lines; ++i) logDebug("thread=%d line=%d %s end", t, i, filler.c_str());
        });
    }
    for (std::thread& worker : workers) worker.join();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    const char* command = argv[1];
    if (std::strcmp(command, "lines") == 0) {
        logError("error line %d", 1);
        logDebug("debug line %d", 2);
        logTrace("trace line %d", 3);
        logDebug("ends in a line feed\n");
    } else if (std::strcmp(command, "long") == 0) {
        std::string text(40000, 'x');
        logError("%s", text.c_str());
    } else if (std::strcmp(command, "threads") == 0 && argc >= 4) {
        logFromThreads(std::atoi(argv[2]), std::atoi(argv[3]));
    } else if (std::strcmp(command, "console") == 0 && argc >= 3) {
        int count = std::atoi(argv[2]);
        for (int i = 0; i < count; ++i) logDebug("console line %02d", i);
    } else {
        return 2;
    }
    return 0;
}
