// scancost.exe: what one pass of Zapwick's pop-up scan costs, and how that
// grows with the number of top-level windows on the desktop. It runs the
// product's own CloseBrowserPopups() in this process against windows it makes
// itself: for each count, a tenth are borderless browser frames ("IEFrame"
// without WS_THICKFRAME) and the rest ordinary windows of another class.
//
// The close requests that the scan posts land in this thread's queue; they are
// drained between passes, and the frames ignore them so that every pass finds
// the same desktop. Beside each scan pass runs a floor pass that only lists
// the same top-level windows (EnumWindows), a walk that visits them one by one
// with FindWindowExA and no class, the way the scan visits its frames, and a
// single wineserver request for scale.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "blocking/BrowserPopupScanner.h"

namespace {

constexpr char kBrowserClass[] = "IEFrame";
constexpr char kOtherClass[] = "ScanCostWindow";
// Each pass is mostly round trips to the wineserver. On this project's
// virtual machines a round trip after a quiet spell costs several times what
// it costs once both sides have been busy for a while, so every count is
// first scanned, untimed, for this long.
constexpr double kWarmUpMs = 1000;

int g_closeRequests = 0;
LARGE_INTEGER g_freq;

LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) {
        ++g_closeRequests;
        return 0;  // the frame stays for the next pass
    }
    return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

bool RegisterClasses() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WindowProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = kBrowserClass;
    if (!::RegisterClassA(&wc)) return false;
    wc.lpszClassName = kOtherClass;
    return ::RegisterClassA(&wc) != 0;
}

// Every tenth window is a pop-up, so the pop-ups are spread through the
// z-order rather than all on top.
std::vector<HWND> CreateWindows(int count) {
    std::vector<HWND> windows;
    for (int i = 0; i < count; ++i) {
        const bool popup = i % 10 == 9;
        HWND hWnd =
            ::CreateWindowExA(0, popup ? kBrowserClass : kOtherClass, popup ? "Pop-up" : "Window",
                              popup ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW, 0,
                              0, 200, 100, nullptr, nullptr, ::GetModuleHandleA(nullptr), nullptr);
        if (!hWnd) break;
        windows.push_back(hWnd);
    }
    return windows;
}

void Drain() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
}

BOOL CALLBACK CountWindow(HWND, LPARAM lParam) {
    ++*reinterpret_cast<int*>(lParam);
    return TRUE;
}

void FloorPass() {
    int count = 0;
    ::EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&count));
}

// One request to the wineserver and nothing else: the unit that the other
// passes are mostly made of, timed in the same conditions.
void RoundTrip() {
    ::GetQueueStatus(QS_ALLINPUT);
}

void WalkPass() {
    HWND hWnd = nullptr;
    while ((hWnd = ::FindWindowExA(nullptr, hWnd, nullptr, nullptr))) {
    }
}

// Microseconds that one call of pass() takes, with an empty queue before it
// and the queue drained after it.
template <typename Pass>
double TimePass(Pass pass) {
    Drain();
    LARGE_INTEGER t0, t1;
    ::QueryPerformanceCounter(&t0);
    pass();
    ::QueryPerformanceCounter(&t1);
    Drain();
    return static_cast<double>(t1.QuadPart - t0.QuadPart) * 1e6 /
           static_cast<double>(g_freq.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v;
    return sum / static_cast<double>(values.size());
}

bool Measure(int count, int passes) {
    const std::vector<HWND> windows = CreateWindows(count);
    if (static_cast<int>(windows.size()) != count) {
        std::printf("could only create %u of %d windows (error %lu)\n",
                    static_cast<unsigned>(windows.size()), count, ::GetLastError());
        for (HWND hWnd : windows) ::DestroyWindow(hWnd);
        return false;
    }
    int topLevel = 0;
    ::EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&topLevel));
    for (double spentUs = 0; spentUs < kWarmUpMs * 1000;)
        spentUs += TimePass(&CloseBrowserPopups) + TimePass(&FloorPass);
    g_closeRequests = 0;

    // The three kinds of pass take turns, so that all see the same conditions.
    std::vector<double> scan, enumerate, walk, roundTrip;
    for (int i = 0; i < passes; ++i) {
        scan.push_back(TimePass(&CloseBrowserPopups));
        enumerate.push_back(TimePass(&FloorPass));
        walk.push_back(TimePass(&WalkPass));
        roundTrip.push_back(TimePass(&RoundTrip));
    }
    std::printf(
        "windows %d popups %d toplevel %d passes %d close_requests_per_pass %.1f "
        "scan_median_us %.1f scan_mean_us %.1f floor_median_us %.1f floor_mean_us %.1f "
        "walk_median_us %.1f walk_mean_us %.1f roundtrip_median_us %.1f\n",
        count, count / 10, topLevel, passes, static_cast<double>(g_closeRequests) / passes,
        Median(scan), Mean(scan), Median(enumerate), Mean(enumerate), Median(walk), Mean(walk),
        Median(roundTrip));
    std::fflush(stdout);
    for (HWND hWnd : windows) ::DestroyWindow(hWnd);
    Drain();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int passes = 200;
    std::vector<int> counts;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--passes") && i + 1 < argc)
            passes = std::atoi(argv[++i]);
        else
            counts.push_back(std::atoi(argv[i]));
    }
    if (counts.empty()) counts = {10, 100, 1000};
    if (passes < 1 || std::any_of(counts.begin(), counts.end(), [](int n) { return n < 1; })) {
        std::printf(
            "usage: scancost [--passes N] [COUNT...]\n"
            "Times N passes (default 200) of the pop-up scan with COUNT top-level windows\n"
            "(default 10 100 1000), a tenth of them borderless browser frames.\n");
        return 2;
    }
    ::QueryPerformanceFrequency(&g_freq);
    if (!RegisterClasses()) {
        std::printf("could not register the window classes (error %lu)\n", ::GetLastError());
        return 1;
    }
    for (int count : counts)
        if (!Measure(count, passes)) return 1;
    return 0;
}
