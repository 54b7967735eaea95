// Benchmark of listing a folder in the file list, not a test.
//   list_benchmark FOLDER
// Times XListView_ListFolder over FOLDER against classifying the same files
// alone (the directory walk and isEncrypted for each listable file), and
// prints the time per row, the time per file and their ratio. The rest of a
// row's cost is shown part by part: the shell's type name and icon, and the
// rows themselves (inserting a row and setting its four cells, with
// redrawing off, as the listing does), which is the list control's own
// cost; then what the icons would cost if each file were asked for its own.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "browser/ListRows.h"
#include "browser/XListView.h"
#include "browser/tests/ListHost.h"
#include "classify/EncryptedFileFinder.h"
#include "testing/BenchmarkClock.h"
#include "wingui/ComApartment.h"
#include "wingui/ListView.h"
#include "wingui/MessagePump.h"

namespace {

std::vector<std::string> listableFiles(const std::string& folder) {
    std::vector<std::string> paths;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return paths;
    do {
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && listrows::isListedName(entry.cFileName)) {
            paths.push_back(folder + entry.cFileName);
        }
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return paths;
}

// The best of three runs, in milliseconds.
double best(const std::function<void()>& run) {
    double fastest = 1e30;
    for (int round = 0; round < 3; ++round) {
        const double start = nowMs();
        run();
        const double took = nowMs() - start;
        if (took < fastest) fastest = took;
        pumpPendingMessages();
    }
    return fastest;
}

int measure(std::string folder) {
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    browser_test::ListHost host("List benchmark");
    if (host.list == nullptr) {
        std::fprintf(stderr, "no list window\n");
        return 1;
    }
    const std::vector<std::string> files = listableFiles(folder);
    if (files.empty()) {
        std::fprintf(stderr, "no listable files in %s\n", folder.c_str());
        return 1;
    }
    int encrypted = 0;
    auto classifyAlone = [&] {
        const std::vector<std::string> found = listableFiles(folder);
        encrypted = 0;
        for (const std::string& path : found) {
            EncryptionState state = kNotProtected;
            if (EncryptedFileFinder().isEncrypted(path.c_str(), state)) ++encrypted;
        }
    };
    auto listFolder = [&] { XListView_ListFolder(host.list, folder.c_str()); };
    classifyAlone();  // warms the file cache for both
    listFolder();
    const double classifyMs = best(classifyAlone);
    const double listMs = best(listFolder);
    const int rows = listRowCount(host.list);

    const double typeMs = best([&] {
        for (const std::string& path : files) {
            SHFILEINFOA info = {};
            SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES);
        }
    });
    const double iconMs = best([&] {
        for (const std::string& path : files) {
            SHFILEINFOA info = {};
            SHGetFileInfoA(path.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                           SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES);
        }
    });
    const double insertMs = best([&] {
        SendMessageA(host.list, WM_SETREDRAW, FALSE, 0);
        SendMessageA(host.list, LVM_DELETEALLITEMS, 0, 0);
        for (const std::string& path : files) {
            const int row = listInsertRow(host.list, 0, path.c_str() + folder.size(), -1, 0);
            for (int column = 1; column <= 4; ++column) listSetCell(host.list, row, column, "text");
        }
        SendMessageA(host.list, WM_SETREDRAW, TRUE, 0);
    });
    // What asking the files themselves would cost instead.
    const double iconHandleMs = best([&] {
        for (const std::string& path : files) {
            SHFILEINFOA info = {};
            if (SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON) && info.hIcon) {
                DestroyIcon(info.hIcon);
            }
        }
    });

    const double n = static_cast<double>(files.size());
    std::printf("files:                 %zu listable (%d encrypted), %d rows\n", files.size(), encrypted, rows);
    std::printf("classify alone:        %8.1f ms  %7.1f us a file\n", classifyMs, classifyMs * 1000 / n);
    std::printf("list the folder:       %8.1f ms  %7.1f us a row\n", listMs, listMs * 1000 / rows);
    std::printf("  of which type names: %8.1f ms  %7.1f us a file\n", typeMs, typeMs * 1000 / n);
    std::printf("  of which icons:      %8.1f ms  %7.1f us a file\n", iconMs, iconMs * 1000 / n);
    std::printf("  of which the rows:   %8.1f ms  %7.1f us a row\n", insertMs, insertMs * 1000 / n);
    std::printf("(icons of the files:   %8.1f ms  %7.1f us a file)\n", iconHandleMs, iconHandleMs * 1000 / n);
    std::printf("ratio (row / file):    %.2f (goal: at most 1.3)\n", (listMs / rows) / (classifyMs / n));
    return rows == static_cast<int>(files.size()) ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: list_benchmark FOLDER\n");
        return 2;
    }
    ComApartment ole(ComApartment::Kind::Ole);
    return measure(argv[1]);
}
