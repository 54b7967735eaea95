// The start-up's Office monitor, timed as its owner sees it: how soon the
// first round reports that no Office window is open (aim: under 1.5 s), and
// how long releasing a monitor that keeps polling, because a Word window is
// open, holds up the releasing thread (aim: at most one polling interval),
// released at points spread over a whole interval.
// Usage: monitor_benchmark [ROUNDS]. Not a test: see run-benchmark.sh.

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/OfficeMonitor.h"
#include "testing/BenchmarkClock.h"
#include "testing/Waiting.h"
#include "wingui/ListView.h"

namespace {

// Between two rounds the thread sleeps 4 x 500 ms (app/OfficeMonitor.cpp).
constexpr double kPollingIntervalMs = 2000;
constexpr double kReportAimMs = 1500;

// When WM_OFFICE_APPS_CLOSED last reached the host window.
double reportedAt = 0;

LRESULT CALLBACK hostProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_OFFICE_APPS_CLOSED) reportedAt = nowMs();
    return DefWindowProcA(window, message, wParam, lParam);
}

// A window of a class registered here; null when it cannot be made.
HWND makeWindow(const char* className, WNDPROC procedure, const char* title, DWORD style) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, title, style, 700, 500, 420, 240, nullptr, nullptr, windowClass.hInstance,
                           nullptr);
}

struct Figures {
    double best = 1e12;
    double worst = 0;
    double total = 0;
    int count = 0;
    void add(double ms) {
        best = std::min(best, ms);
        worst = std::max(worst, ms);
        total += ms;
        ++count;
    }
    void print(const char* what, double aimMs) const {
        std::printf("%-34s %7.1f %7.1f %7.1f   worst / aim (%.0f ms) %.2f\n", what, best, total / count, worst, aimMs,
                    worst / aimMs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    // The monitor window's part that the thread sees: a report list whose
    // parent gets the report.
    HWND host = makeWindow("TarnwickBenchmarkHost", hostProcedure, "Monitor benchmark", WS_OVERLAPPEDWINDOW);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 400, 200, host, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    if (list == nullptr) {
        std::fprintf(stderr, "no list window (no display?)\n");
        return 1;
    }
    const ListColumn columns[] = {{"Application Name", 240}, {"User Name", 120}, {"Domain Name", 120}};
    listAddColumns(list, columns);

    Figures report;
    for (int round = 0; round < rounds; ++round) {
        OfficeApplicationMonitor monitor;
        monitor.setTarget(list);
        reportedAt = 0;
        const double start = nowMs();
        monitor.start();
        if (!testing_support::pumpUntil([] { return reportedAt != 0; }, 30000)) {
            std::fprintf(stderr, "no report within 30 s: an Office window is open on this display?\n");
            return 1;
        }
        report.add(reportedAt - start);
    }

    // With a Word window open the thread keeps polling until released.
    HWND word = makeWindow("OpusApp", DefWindowProcA, "Bench.doc - Microsoft Word", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    Figures release;
    // Seven points, so that they fall at different places of the 500 ms sleeps.
    const int points = 7;
    for (int round = 0; round < rounds; ++round) {
        for (int point = 0; point < points; ++point) {
            auto monitor = std::make_unique<OfficeApplicationMonitor>();
            monitor->setTarget(list);
            monitor->start();
            testing_support::pumpFor(static_cast<DWORD>(kPollingIntervalMs * point / points));
            const double start = nowMs();
            monitor.reset();
            release.add(nowMs() - start);
        }
    }
    const bool listed = listRowCount(list) > 0;

    std::printf("Office monitor, %d reports and %d releases: best / mean / worst ms\n", report.count, release.count);
    report.print("start until the report, no window", kReportAimMs);
    release.print("release while polling", kPollingIntervalMs);
    if (!listed) std::printf("(the Word window was never listed: the release figures do not count)\n");
    DestroyWindow(word);
    DestroyWindow(host);
    return 0;
}
