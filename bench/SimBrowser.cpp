// simbrowser.exe: a stand-in for a web browser, for demos and measurements. It
// opens pop-up frames and ordinary browser frames of class "IEFrame" at random
// moments, a quarter of the pop-ups hidden at first and shown a moment later,
// and reports how soon each pop-up was asked to close and whether a window the
// user opened was touched. --storm N also opens N windows a second that are no
// pop-ups (controls and child frames inside a frame, normal frames, windows of
// other classes), each closed again soon, to show what watching for new
// windows costs.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <iterator>
#include <vector>

namespace {

constexpr char kBrowserClass[] = "IEFrame";
constexpr char kOtherClass[] = "SimBrowserOther";
constexpr DWORD kNormalLifetimeMs = 1500;
// Frames open only inside this part of the run, so that the last pop-up still
// has four scan periods to be found and the last normal frame its full life.
constexpr double kFirstOpenMs = 250;
constexpr double kQuietTailMs = 2000;
constexpr size_t kStormAlive = 25;  // storm windows open at once, per thread
constexpr int kStormThreads = 2;

// One frame this program opened, kept after the window is gone for the summary.
struct Frame {
    int number;
    bool popup;
    bool hidden;  // a pop-up created hidden, shown by its timer
    LONGLONG openedAt;
    bool asked;
    double askedAfterMs;
};

struct Opening {
    double atMs;
    bool popup;
};

double g_seconds = 15, g_popups = -1, g_normals = -1, g_storm = 0;
bool g_quiet = false;
LARGE_INTEGER g_freq;
LONGLONG g_start;
std::vector<Frame> g_frames;
std::vector<Opening> g_schedule;
LONG g_stormOpened = 0;
LONG g_stormTouched = 0;

LONGLONG Now() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double MsSince(LONGLONG from) {
    return static_cast<double>(Now() - from) * 1000.0 / static_cast<double>(g_freq.QuadPart);
}

double Random01() {
    return std::rand() / (RAND_MAX + 1.0);
}

// Each frame opens at a random moment inside its own slice of the open period:
// spread over the whole run, never bunched, and in no fixed phase with
// Zapwick's timer, so the latencies sample its whole scan period.
void AddOpenings(double count, bool popup) {
    const double lastMs = std::max(kFirstOpenMs, g_seconds * 1000 - kQuietTailMs);
    for (int i = 0; i < count; ++i)
        g_schedule.push_back(
            {kFirstOpenMs + (lastMs - kFirstOpenMs) * (i + Random01()) / count, popup});
}

void OpenFrame(bool popup) {
    static int s_opened[2];
    const bool hidden = popup && Random01() < 0.25;
    const DWORD style = (popup ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW) |
                        (hidden ? 0 : WS_VISIBLE);
    // The record exists before the window does: Zapwick may find the window
    // while it is still being created. The window carries its index plus one.
    g_frames.push_back({++s_opened[popup], popup, hidden, Now(), false, 0});
    char title[48];
    std::snprintf(title, sizeof(title), popup ? "Pop-up %d" : "Browser %d", s_opened[popup]);
    HWND hWnd = ::CreateWindowExA(0, kBrowserClass, title, style, std::rand() % 900,
                                  std::rand() % 700, popup ? 300 : 400, popup ? 200 : 300, nullptr,
                                  nullptr, nullptr, reinterpret_cast<LPVOID>(g_frames.size()));
    if (!hWnd) {
        std::printf("could not open %s (error %lu)\n", title, ::GetLastError());
        g_frames.pop_back();
    } else if (!popup || hidden) {
        // A normal frame closes itself after a while; a hidden pop-up is shown.
        ::SetTimer(hWnd, 1, popup ? 20 + std::rand() % 200 : kNormalLifetimeMs, nullptr);
    }
}

void OnCloseRequest(Frame& frame, HWND hWnd) {
    const double ms = MsSince(frame.openedAt);
    if (!frame.popup && !frame.asked)
        std::printf("!!! FAILURE: normal frame %d was asked to close after %.0f ms !!!\n",
                    frame.number, ms);
    if (frame.popup && !frame.asked && !g_quiet)
        std::printf("pop-up %d asked to close after %.0f ms%s\n", frame.number, ms,
                    frame.hidden ? " (created hidden)" : "");
    std::fflush(stdout);
    if (!frame.asked) frame.askedAfterMs = ms;
    frame.asked = true;
    // The user's own window stays open: only that it was asked is recorded.
    if (frame.popup) ::DestroyWindow(hWnd);
}

// Frames carry the index of their record plus one; the storm's windows, 0.
LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_NCCREATE)
        ::SetWindowLongPtrA(
            hWnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    const LONG_PTR tag = ::GetWindowLongPtrA(hWnd, GWLP_USERDATA);
    const bool closeRequest = nMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE;
    if (closeRequest && tag == 0) ::InterlockedIncrement(&g_stormTouched);
    if (closeRequest && tag != 0) OnCloseRequest(g_frames[tag - 1], hWnd);
    if (closeRequest || (nMsg == WM_CLOSE && tag != 0)) return 0;  // only we close our frames
    if (nMsg != WM_TIMER || tag == 0) return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    const Frame& frame = g_frames[tag - 1];
    ::KillTimer(hWnd, 1);
    if (frame.popup) {
        ::ShowWindow(hWnd, SW_SHOWNOACTIVATE);
        return 0;
    }
    if (!g_quiet)
        std::printf("normal frame %d %s after %.1f s\n", frame.number,
                    frame.asked ? "closes itself (it WAS asked to close)" : "left alone",
                    MsSince(frame.openedAt) / 1000);
    ::DestroyWindow(hWnd);
    return 0;
}

// Opens each frame when it is due and serves the windows until the run ends.
// On a slow desktop frames open late; the last one still gets its full time.
void Run() {
    double endMs = g_seconds * 1000;
    for (size_t next = 0;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        const double now = MsSince(g_start);
        if (next < g_schedule.size() && g_schedule[next].atMs <= now) {
            OpenFrame(g_schedule[next++].popup);
            endMs = std::max(endMs, MsSince(g_start) + kQuietTailMs);
            continue;
        }
        const double wakeMs = next < g_schedule.size() ? g_schedule[next].atMs : endMs;
        if (wakeMs <= now) return;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wakeMs - now) + 1,
                                    QS_ALLINPUT);
    }
}

// One of the threads that open the storm's windows, most of them controls and
// child frames inside a hidden frame of its own, one in ten a normal frame or
// a window of another class; each closes again once a few newer ones are
// open. The threads share the rate: one alone waits on the wineserver too
// long to open a thousand windows a second.
DWORD WINAPI StormThread(LPVOID) {
    HWND hHost = ::CreateWindowExA(0, kOtherClass, "Storm", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                   nullptr, nullptr, nullptr, nullptr);
    std::deque<HWND> windows;
    const double perMs = g_storm / 1000 / kStormThreads;
    long opened = 0;
    for (double now; (now = MsSince(g_start)) < g_seconds * 1000;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        if (opened >= now * perMs) {
            ::Sleep(1);
            continue;
        }
        const int kind = opened++ % 10;
        const bool child = kind < 8;
        const DWORD style = child       ? WS_CHILD | WS_VISIBLE
                            : kind == 8 ? WS_OVERLAPPEDWINDOW
                                        : WS_POPUP;
        windows.push_back(::CreateWindowExA(0, kind % 2 ? kOtherClass : kBrowserClass, "", style, 0,
                                            0, 40, 30, child ? hHost : nullptr, nullptr, nullptr,
                                            nullptr));
        if (windows.size() > kStormAlive) {
            ::DestroyWindow(windows.front());
            windows.pop_front();
        }
        ::InterlockedIncrement(&g_stormOpened);
    }
    for (HWND hWnd : windows) ::DestroyWindow(hWnd);
    ::DestroyWindow(hHost);
    return 0;
}

// The value at fraction p of a sorted, non-empty list (nearest rank).
double Percentile(const std::vector<double>& sorted, double p) {
    const size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::max<size_t>(rank, 1) - 1];
}

bool Summarise() {
    int popups = 0, hidden = 0, normals = 0, touched = 0;
    std::vector<double> latencies;
    for (const Frame& f : g_frames) {
        popups += f.popup;
        hidden += f.hidden;
        normals += !f.popup;
        touched += !f.popup && f.asked;
        if (f.popup && f.asked) latencies.push_back(f.askedAfterMs);
        if (f.popup && !f.asked)
            std::printf("!!! FAILURE: pop-up %d was never asked to close !!!\n", f.number);
    }
    std::sort(latencies.begin(), latencies.end());
    const int asked = static_cast<int>(latencies.size());
    std::printf("summary: %d pop-ups opened, %d asked to close, %d never asked\n", popups, asked,
                popups - asked);
    if (asked)
        std::printf(
            "latency: median %.0f ms, p95 %.0f ms, max %.0f ms, min %.0f ms (%d pop-ups, "
            "%d created hidden)\n",
            Percentile(latencies, 0.5), Percentile(latencies, 0.95), latencies.back(),
            latencies.front(), asked, hidden);
    std::printf("normal frames: %d opened, %d touched\n", normals, touched);
    if (g_storm)
        std::printf("storm: %ld windows opened in %.1f s, %ld touched\n", g_stormOpened,
                    MsSince(g_start) / 1000, g_stormTouched);
    const bool pass = asked == popups && touched == 0 && g_stormTouched == 0;
    std::printf("result: %s\n", pass ? "PASS" : "FAIL");
    return pass;
}

bool ParseOptions(int argc, char** argv) {
    const struct {
        const char* name;
        double* pValue;
    } options[] = {{"--seconds", &g_seconds},
                   {"--popups", &g_popups},
                   {"--normal", &g_normals},
                   {"--storm", &g_storm}};
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--quiet")) {
            g_quiet = true;
            continue;
        }
        auto pOption = std::find_if(std::begin(options), std::end(options),
                                    [&](const auto& o) { return !std::strcmp(o.name, argv[i]); });
        char* end = nullptr;
        if (pOption == std::end(options) || i + 1 >= argc ||
            (*pOption->pValue = std::strtod(argv[++i], &end)) < 0 || *end)
            return false;
    }
    if (g_popups < 0) g_popups = std::round(g_seconds * 2);
    if (g_normals < 0) g_normals = std::round(g_seconds / 3);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (!ParseOptions(argc, argv)) {
        std::printf(
            "usage: simbrowser [--seconds S] [--popups N] [--normal N] [--storm N] [--quiet]\n"
            "Opens browser pop-ups and normal browser frames for S seconds (default 15),\n"
            "and with --storm N windows a second that are no pop-ups, and reports how soon\n"
            "each pop-up was asked to close. Exit code 0 when every pop-up was asked and\n"
            "nothing else was, 1 otherwise, 2 for bad usage.\n");
        return 2;
    }
    ::QueryPerformanceFrequency(&g_freq);
    std::srand(static_cast<unsigned>(Now() ^ ::GetCurrentProcessId()));
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &WindowProc;
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    for (const char* name : {kBrowserClass, kOtherClass}) {
        wc.lpszClassName = name;
        if (!::RegisterClassA(&wc)) return 1;
    }
    AddOpenings(g_popups, true);
    AddOpenings(g_normals, false);
    std::sort(g_schedule.begin(), g_schedule.end(),
              [](const Opening& a, const Opening& b) { return a.atMs < b.atMs; });
    // Records are found by index, so the list must not move while windows live.
    g_frames.reserve(g_schedule.size());
    if (!g_quiet)
        std::printf("opening %.0f pop-ups and %.0f normal frames over %.1f s\n", g_popups,
                    g_normals, g_seconds);
    g_start = Now();
    HANDLE hStorm[kStormThreads] = {};
    for (int i = 0; i < kStormThreads && g_storm; ++i)
        hStorm[i] = ::CreateThread(nullptr, 0, &StormThread, nullptr, 0, nullptr);
    Run();
    for (HANDLE hThread : hStorm)
        if (hThread) ::WaitForSingleObject(hThread, INFINITE);
    return Summarise() ? 0 : 1;
}
