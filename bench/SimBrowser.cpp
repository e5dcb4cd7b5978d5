// A stand-in for a web browser, for demos and measurements: it opens pop-up
// frames and ordinary browser frames of class "IEFrame" at random moments and
// reports how long Zapwick took to ask each pop-up to close, and whether it
// ever touched a window that the user had opened.
#include <windows.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr char kBrowserClass[] = "IEFrame";
constexpr char kClockClass[] = "SimBrowserClock";
constexpr char kZapwickFrameTitle[] = "Hello World!";  // its hidden main frame
constexpr char kZapwickTrayTitle[] = "TrayIconHandler";
constexpr WPARAM kZapwickExitCommand = 32771;  // Exit on the tray icon's menu
constexpr DWORD kNormalLifetimeMs = 1500;
constexpr DWORD kZapwickWaitMs = 20000;
// Frames open only inside this part of the run, so that the last pop-up still
// has four scan periods to be found and the last normal frame its full life.
constexpr double kFirstOpenMs = 250;
constexpr double kQuietTailMs = 2000;

enum ExitCode { kPass = 0, kFail = 1, kBadUsage = 2, kNoZapwick = 3 };

struct Options {
    double seconds = 15;
    int popups = -1;   // -1: two per second of the run
    int normals = -1;  // -1: one per three seconds of the run
    unsigned seed = 0;
    bool seeded = false;
    bool quiet = false;
    bool waitForZapwick = false;
    bool exitZapwick = false;
};

// One window this program opened, kept after the window is gone for the summary.
struct Frame {
    int number;
    bool popup;
    LONGLONG openedAt;
    HWND hWnd;
    bool asked;
    double askedAfterMs;
};

struct Opening {
    double atMs;
    bool popup;
};

Options g_opt;
LARGE_INTEGER g_freq;
LONGLONG g_start;
std::vector<Frame> g_frames;
std::vector<Opening> g_schedule;
size_t g_nextOpening = 0;
HWND g_hClock = nullptr;

LONGLONG Now() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double MsBetween(LONGLONG from, LONGLONG to) {
    return static_cast<double>(to - from) * 1000.0 / static_cast<double>(g_freq.QuadPart);
}

double RunMs() {
    return MsBetween(g_start, Now());
}

void Say(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* pszFormat, ...) {
    if (g_opt.quiet) return;
    va_list args;
    va_start(args, pszFormat);
    std::vprintf(pszFormat, args);
    va_end(args);
    std::fflush(stdout);
}

// xorshift32: the same seed gives the same run with any compiler and library.
unsigned g_rng = 1;
double Random01() {
    g_rng ^= g_rng << 13;
    g_rng ^= g_rng >> 17;
    g_rng ^= g_rng << 5;
    return static_cast<double>(g_rng) / 4294967296.0;
}

// Each frame opens at a random moment inside its own slice of the open period:
// spread over the whole run, never bunched, and in no fixed phase with
// Zapwick's timer, so the latencies sample its whole scan period.
void AddOpenings(int count, bool popup, double fromMs, double toMs) {
    const double slice = (toMs - fromMs) / count;
    for (int i = 0; i < count; ++i)
        g_schedule.push_back({fromMs + slice * (i + Random01()), popup});
}

void BuildSchedule() {
    const double runMs = g_opt.seconds * 1000.0;
    const double lastOpenMs = std::max(kFirstOpenMs, runMs - kQuietTailMs);
    if (g_opt.popups > 0) AddOpenings(g_opt.popups, true, kFirstOpenMs, lastOpenMs);
    if (g_opt.normals > 0) AddOpenings(g_opt.normals, false, kFirstOpenMs, lastOpenMs);
    std::sort(g_schedule.begin(), g_schedule.end(),
              [](const Opening& a, const Opening& b) { return a.atMs < b.atMs; });
}

void OpenFrame(bool popup) {
    const int number =
        1 + static_cast<int>(std::count_if(g_frames.begin(), g_frames.end(),
                                           [popup](const Frame& f) { return f.popup == popup; }));
    const DWORD style =
        popup ? WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE : WS_OVERLAPPEDWINDOW | WS_VISIBLE;
    char title[48];
    std::snprintf(title, sizeof(title), popup ? "Pop-up %d" : "Browser %d", number);
    const int x = static_cast<int>(Random01() * 900);
    const int y = static_cast<int>(Random01() * 700);

    // The record exists before the window does: the scan may find the window
    // while it is still being created.
    g_frames.push_back({number, popup, Now(), nullptr, false, 0});
    const LPARAM index = static_cast<LPARAM>(g_frames.size() - 1);
    HWND hWnd = ::CreateWindowExA(0, kBrowserClass, title, style, x, y, popup ? 300 : 400,
                                  popup ? 200 : 300, nullptr, nullptr, ::GetModuleHandleA(nullptr),
                                  reinterpret_cast<LPVOID>(index));
    if (!hWnd) {
        std::printf("could not open %s (error %lu)\n", title, ::GetLastError());
        g_frames.pop_back();
        return;
    }
    g_frames[index].hWnd = hWnd;
    if (!popup) ::SetTimer(hWnd, 1, kNormalLifetimeMs, nullptr);
}

void OnCloseRequest(Frame& frame) {
    const double ms = MsBetween(frame.openedAt, Now());
    if (frame.popup) {
        if (frame.asked) return;
        frame.asked = true;
        frame.askedAfterMs = ms;
        Say("pop-up %d asked to close after %.0f ms\n", frame.number, ms);
        ::DestroyWindow(frame.hWnd);
        return;
    }
    // The user's own window stays open: we only record that it was asked.
    if (!frame.asked) {
        std::printf("!!! FAILURE: normal frame %d was asked to close after %.0f ms !!!\n",
                    frame.number, ms);
        std::fflush(stdout);
    }
    frame.asked = true;
    frame.askedAfterMs = ms;
}

LRESULT CALLBACK BrowserProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_NCCREATE) {
        auto* pCreate = reinterpret_cast<CREATESTRUCTA*>(lParam);
        ::SetWindowLongPtrA(hWnd, GWLP_USERDATA,
                            reinterpret_cast<LONG_PTR>(pCreate->lpCreateParams) + 1);
    }
    // 0 until WM_NCCREATE has run; otherwise the index of the record, plus one.
    const LONG_PTR tag = ::GetWindowLongPtrA(hWnd, GWLP_USERDATA);
    if (tag == 0) return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    Frame& frame = g_frames[tag - 1];
    frame.hWnd = hWnd;

    switch (nMsg) {
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                OnCloseRequest(frame);
                return 0;
            }
            break;
        case WM_TIMER:
            if (!frame.popup) {
                ::KillTimer(hWnd, 1);
                const double ms = MsBetween(frame.openedAt, Now());
                if (frame.asked)
                    Say("normal frame %d closes itself after %.1f s (it WAS asked to close)\n",
                        frame.number, ms / 1000.0);
                else
                    Say("normal frame %d left alone for %.1f s\n", frame.number, ms / 1000.0);
                ::DestroyWindow(hWnd);
                return 0;
            }
            break;
        case WM_CLOSE:
            // Only this program decides when its frames go.
            return 0;
        case WM_NCDESTROY:
            frame.hWnd = nullptr;
            ::SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
            break;
    }
    return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

// Opens what is due and sleeps until the next opening or the end of the run.
void Tick() {
    static double s_lastOpenedMs = 0;
    double now = RunMs();
    while (g_nextOpening < g_schedule.size() && g_schedule[g_nextOpening].atMs <= now) {
        OpenFrame(g_schedule[g_nextOpening++].popup);
        now = s_lastOpenedMs = RunMs();
    }
    // On a slow desktop frames open late; the last one still gets its full
    // time before the run ends.
    double runMs = g_opt.seconds * 1000.0;
    if (!g_schedule.empty()) runMs = std::max(runMs, s_lastOpenedMs + kQuietTailMs);
    const double next = g_nextOpening < g_schedule.size() ? g_schedule[g_nextOpening].atMs : runMs;
    if (g_nextOpening >= g_schedule.size() && now >= runMs) {
        ::KillTimer(g_hClock, 1);
        ::PostQuitMessage(0);
        return;
    }
    ::SetTimer(g_hClock, 1, static_cast<UINT>(std::max(1.0, next - now)), nullptr);
}

LRESULT CALLBACK ClockProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_TIMER) {
        Tick();
        return 0;
    }
    return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

bool RegisterClasses() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &BrowserProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kBrowserClass;
    if (!::RegisterClassA(&wc)) return false;
    wc.lpfnWndProc = &ClockProc;
    wc.hCursor = nullptr;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kClockClass;
    return ::RegisterClassA(&wc) != 0;
}

// Serves this thread's windows for up to timeoutMs or until found() holds.
template <typename Pred>
bool WaitFor(Pred found, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        if (found()) return true;
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(50, timeoutMs - elapsed),
                                    QS_ALLINPUT);
    }
}

// Ends Zapwick the way its user does, with Exit on the tray icon's menu. A
// build without the tray window ends through its main frame, as Exit does.
bool ExitZapwick() {
    if (HWND hTray = ::FindWindowA(nullptr, kZapwickTrayTitle)) {
        std::printf("ending Zapwick: Exit on its tray menu\n");
        return ::PostMessageA(hTray, WM_COMMAND, kZapwickExitCommand, 0) != 0;
    }
    if (HWND hFrame = ::FindWindowA(nullptr, kZapwickFrameTitle)) {
        std::printf("ending Zapwick: no tray window, closing its main frame\n");
        return ::PostMessageA(hFrame, WM_CLOSE, 0, 0) != 0;
    }
    std::printf("ending Zapwick: no Zapwick window found\n");
    return false;
}

// Median of a sorted, non-empty list.
double Median(const std::vector<double>& sorted) {
    const size_t n = sorted.size();
    return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
}

bool Summarise() {
    int popups = 0, normals = 0, touched = 0;
    std::vector<double> latencies;
    for (const Frame& f : g_frames) {
        if (f.popup) {
            ++popups;
            if (f.asked) latencies.push_back(f.askedAfterMs);
        } else {
            ++normals;
            if (f.asked) ++touched;
        }
    }
    std::sort(latencies.begin(), latencies.end());
    const int asked = static_cast<int>(latencies.size());
    std::printf("summary: %d pop-ups opened, %d asked to close, %d never asked\n", popups, asked,
                popups - asked);
    if (!latencies.empty())
        std::printf("latency: min %.0f ms, median %.0f ms, max %.0f ms (%d pop-ups)\n",
                    latencies.front(), Median(latencies), latencies.back(), asked);
    std::printf("normal frames: %d opened, %d touched\n", normals, touched);
    const bool pass = asked == popups && touched == 0;
    std::printf("result: %s\n", pass ? "PASS" : "FAIL");
    return pass;
}

bool ParseNumber(const char* pszText, double* pValue) {
    char* end = nullptr;
    *pValue = std::strtod(pszText, &end);
    return end != pszText && *end == '\0' && *pValue >= 0;
}

bool ParseOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        double value = 0;
        const bool takesValue = !std::strcmp(arg, "--seconds") || !std::strcmp(arg, "--popups") ||
                                !std::strcmp(arg, "--normal") || !std::strcmp(arg, "--seed");
        if (takesValue) {
            if (i + 1 >= argc || !ParseNumber(argv[++i], &value)) return false;
            if (!std::strcmp(arg, "--seconds")) g_opt.seconds = value;
            if (!std::strcmp(arg, "--popups")) g_opt.popups = static_cast<int>(value);
            if (!std::strcmp(arg, "--normal")) g_opt.normals = static_cast<int>(value);
            if (!std::strcmp(arg, "--seed")) {
                g_opt.seed = static_cast<unsigned>(value);
                g_opt.seeded = true;
            }
        } else if (!std::strcmp(arg, "--quiet")) {
            g_opt.quiet = true;
        } else if (!std::strcmp(arg, "--wait-for-zapwick")) {
            g_opt.waitForZapwick = true;
        } else if (!std::strcmp(arg, "--exit-zapwick")) {
            g_opt.exitZapwick = true;
        } else {
            return false;
        }
    }
    if (g_opt.popups < 0) g_opt.popups = static_cast<int>(g_opt.seconds * 2 + 0.5);
    if (g_opt.normals < 0) g_opt.normals = static_cast<int>(g_opt.seconds / 3 + 0.5);
    return true;
}

void PrintUsage() {
    std::printf(
        "usage: simbrowser [--seconds S] [--popups N] [--normal N] [--seed N] [--quiet]\n"
        "                  [--wait-for-zapwick] [--exit-zapwick]\n"
        "Opens browser pop-ups and normal browser frames for S seconds (default 15) and\n"
        "reports how soon Zapwick asked each pop-up to close. Exit code 0 when every\n"
        "pop-up was asked and no normal frame was, 1 otherwise, 2 for bad usage, 3 when\n"
        "Zapwick could not be found.\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (!ParseOptions(argc, argv)) {
        PrintUsage();
        return kBadUsage;
    }
    ::QueryPerformanceFrequency(&g_freq);
    g_rng = g_opt.seeded ? g_opt.seed : static_cast<unsigned>(Now() ^ ::GetCurrentProcessId());
    if (g_rng == 0) g_rng = 1;  // xorshift would stay at zero
    const unsigned seed = g_rng;

    if (!RegisterClasses()) {
        std::printf("could not register the window classes (error %lu)\n", ::GetLastError());
        return kFail;
    }
    if (g_opt.waitForZapwick) {
        const DWORD start = ::GetTickCount();
        if (!WaitFor([] { return ::FindWindowA(nullptr, kZapwickFrameTitle) != nullptr; },
                     kZapwickWaitMs)) {
            std::printf("Zapwick did not start within %lu s\n", kZapwickWaitMs / 1000);
            return kNoZapwick;
        }
        Say("Zapwick is up (found after %lu ms)\n", ::GetTickCount() - start);
    }

    BuildSchedule();
    Say("opening %d pop-ups and %d normal frames over %.1f s (seed %u)\n", g_opt.popups,
        g_opt.normals, g_opt.seconds, seed);
    // Records are found by index, so the list must not move while windows live.
    g_frames.reserve(g_schedule.size());
    g_hClock = ::CreateWindowExA(0, kClockClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 ::GetModuleHandleA(nullptr), nullptr);
    g_start = Now();
    Tick();

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }

    for (const Frame& f : g_frames) {
        if (!f.hWnd) continue;
        if (f.popup)
            std::printf("!!! FAILURE: pop-up %d was never asked to close (open %.0f ms) !!!\n",
                        f.number, MsBetween(f.openedAt, Now()));
        ::DestroyWindow(f.hWnd);
    }
    ::DestroyWindow(g_hClock);

    const bool zapwickEnded = !g_opt.exitZapwick || ExitZapwick();
    const bool pass = Summarise();
    if (!zapwickEnded) return kNoZapwick;
    return pass ? kPass : kFail;
}
