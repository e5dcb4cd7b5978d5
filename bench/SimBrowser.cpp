// simbrowser.exe: a stand-in for a web browser, for demos and measurements. It
// opens pop-up frames and ordinary browser frames of class "IEFrame" at random
// moments and reports how soon each pop-up was asked to close and whether a
// window the user opened was touched.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

// One frame this program opened, kept after the window is gone for the summary.
struct Frame {
    int number;
    bool popup;
    LONGLONG openedAt;
    bool asked;
    double askedAfterMs;
};

struct Opening {
    double atMs;
    bool popup;
};

double g_seconds = 15, g_popups = -1, g_normals = -1;
bool g_quiet = false;
LARGE_INTEGER g_freq;
LONGLONG g_start;
std::vector<Frame> g_frames;
std::vector<Opening> g_schedule;

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
    const DWORD style =
        (popup ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW) | WS_VISIBLE;
    // The record exists before the window does: Zapwick may find the window
    // while it is still being created. The window carries its index plus one.
    g_frames.push_back({++s_opened[popup], popup, Now(), false, 0});
    char title[48];
    std::snprintf(title, sizeof(title), popup ? "Pop-up %d" : "Browser %d", s_opened[popup]);
    HWND hWnd = ::CreateWindowExA(0, kBrowserClass, title, style, std::rand() % 900,
                                  std::rand() % 700, popup ? 300 : 400, popup ? 200 : 300, nullptr,
                                  nullptr, nullptr, reinterpret_cast<LPVOID>(g_frames.size()));
    if (!hWnd) {
        std::printf("could not open %s (error %lu)\n", title, ::GetLastError());
        g_frames.pop_back();
    } else if (!popup) {
        ::SetTimer(hWnd, 1, kNormalLifetimeMs, nullptr);  // it closes itself after a while
    }
}

void OnCloseRequest(Frame& frame, HWND hWnd) {
    const double ms = MsSince(frame.openedAt);
    if (!frame.popup && !frame.asked)
        std::printf("!!! FAILURE: normal frame %d was asked to close after %.0f ms !!!\n",
                    frame.number, ms);
    if (frame.popup && !frame.asked && !g_quiet)
        std::printf("pop-up %d asked to close after %.0f ms\n", frame.number, ms);
    std::fflush(stdout);
    if (!frame.asked) frame.askedAfterMs = ms;
    frame.asked = true;
    // The user's own window stays open: only that it was asked is recorded.
    if (frame.popup) ::DestroyWindow(hWnd);
}

// Frames carry the index of their record plus one.
LRESULT CALLBACK WindowProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_NCCREATE)
        ::SetWindowLongPtrA(
            hWnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams));
    const LONG_PTR tag = ::GetWindowLongPtrA(hWnd, GWLP_USERDATA);
    const bool closeRequest = nMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE;
    if (closeRequest && tag != 0) OnCloseRequest(g_frames[tag - 1], hWnd);
    if (tag != 0 && (closeRequest || nMsg == WM_CLOSE)) return 0;  // only we close our frames
    if (nMsg != WM_TIMER || tag == 0) return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    const Frame& frame = g_frames[tag - 1];
    ::KillTimer(hWnd, 1);
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

// The value at fraction p of a sorted, non-empty list (nearest rank).
double Percentile(const std::vector<double>& sorted, double p) {
    const size_t rank = static_cast<size_t>(std::ceil(p * static_cast<double>(sorted.size())));
    return sorted[std::max<size_t>(rank, 1) - 1];
}

bool Summarise() {
    int popups = 0, normals = 0, touched = 0;
    std::vector<double> latencies;
    for (const Frame& f : g_frames) {
        popups += f.popup;
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
        std::printf("latency: median %.0f ms, p95 %.0f ms, max %.0f ms, min %.0f ms (%d pop-ups)\n",
                    Percentile(latencies, 0.5), Percentile(latencies, 0.95), latencies.back(),
                    latencies.front(), asked);
    std::printf("normal frames: %d opened, %d touched\n", normals, touched);
    const bool pass = asked == popups && touched == 0;
    std::printf("result: %s\n", pass ? "PASS" : "FAIL");
    return pass;
}

bool ParseOptions(int argc, char** argv) {
    const struct {
        const char* name;
        double* pValue;
    } options[] = {{"--seconds", &g_seconds}, {"--popups", &g_popups}, {"--normal", &g_normals}};
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
            "usage: simbrowser [--seconds S] [--popups N] [--normal N] [--quiet]\n"
            "Opens browser pop-ups and normal browser frames for S seconds (default 15) and\n"
            "reports how soon each pop-up was asked to close. Exit code 0 when every pop-up\n"
            "was asked and no normal frame was, 1 otherwise, 2 for bad usage.\n");
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
    Run();
    return Summarise() ? 0 : 1;
}
