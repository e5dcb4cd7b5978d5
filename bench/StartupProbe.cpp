// startupprobe.exe: times how long a resident program takes to come up, from
// the moment it is started to the moment its window exists and (--tray) to the
// moment its notification-area icon exists, over several starts. Between
// starts the program is ended the way its user would end it, and the probe
// waits for the process to be gone, so that every start is a cold one.
//
// Under Wine without a system tray, explorer shows each icon as a child window
// of class "__winex11_tray_icon" inside a top-level "__winex11_standalone_tray"
// window; an icon window that was not there before the start is the program's.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kComeUpTimeoutMs = 20000;
constexpr DWORD kEndTimeoutMs = 10000;

struct Options {
    int runs = 7;
    bool tray = false;
    const char* program = nullptr;  // started from this probe's directory
    const char* window = nullptr;   // its window's title
    const char* endWindow = nullptr;
    UINT endMessage = WM_CLOSE;
    WPARAM endWParam = 0;
};

struct Timing {
    double windowMs = -1;
    double trayMs = -1;
};

LARGE_INTEGER g_freq;

LONGLONG Now() {
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double MsSince(LONGLONG from) {
    return static_cast<double>(Now() - from) * 1000.0 / static_cast<double>(g_freq.QuadPart);
}

std::vector<HWND> TrayIcons() {
    std::vector<HWND> icons;
    HWND hTray = nullptr;
    while ((hTray = ::FindWindowExA(nullptr, hTray, "__winex11_standalone_tray", nullptr))) {
        HWND hIcon = nullptr;
        while ((hIcon = ::FindWindowExA(hTray, hIcon, "__winex11_tray_icon", nullptr)))
            icons.push_back(hIcon);
    }
    return icons;
}

bool HasNewIcon(const std::vector<HWND>& before) {
    for (HWND hIcon : TrayIcons())
        if (std::find(before.begin(), before.end(), hIcon) == before.end()) return true;
    return false;
}

// The window with this title that belongs to the given process, if any: an
// earlier instance that has not quite gone must not count.
HWND WindowOf(const char* pszTitle, DWORD dwProcessId) {
    HWND hWnd = nullptr;
    while ((hWnd = ::FindWindowExA(nullptr, hWnd, nullptr, pszTitle))) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hWnd, &owner);
        if (owner == dwProcessId) return hWnd;
    }
    return nullptr;
}

// Asks the program to end and waits for its process; its exit code, or -1.
long EndProgram(const Options& opt, const PROCESS_INFORMATION& pi) {
    HWND hEnd = WindowOf(opt.endWindow ? opt.endWindow : opt.window, pi.dwProcessId);
    if (!hEnd || !::PostMessageA(hEnd, opt.endMessage, opt.endWParam, 0)) {
        std::printf("could not ask the program to end\n");
        ::TerminateProcess(pi.hProcess, 1);
    }
    if (::WaitForSingleObject(pi.hProcess, kEndTimeoutMs) != WAIT_OBJECT_0) {
        std::printf("the program did not end within %lu s of being asked\n", kEndTimeoutMs / 1000);
        ::TerminateProcess(pi.hProcess, 1);
        ::WaitForSingleObject(pi.hProcess, kEndTimeoutMs);
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(pi.hProcess, &code);
    return static_cast<long>(code);
}

bool RunOnce(const Options& opt, Timing* pTiming, long* pExitCode) {
    const std::vector<HWND> iconsBefore = opt.tray ? TrayIcons() : std::vector<HWND>();
    char commandLine[MAX_PATH];
    std::snprintf(commandLine, sizeof(commandLine), "\"%s\"", opt.program);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};

    const LONGLONG start = Now();
    if (!::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
        std::printf("could not start %s (error %lu)\n", opt.program, ::GetLastError());
        return false;
    }
    // Each look is a round trip to the window server, which the program being
    // timed needs as well; a 1 ms pause between looks keeps the probe from
    // slowing the very start it measures, at 1 ms of resolution.
    while (MsSince(start) < kComeUpTimeoutMs) {
        if (pTiming->windowMs < 0 && WindowOf(opt.window, pi.dwProcessId))
            pTiming->windowMs = MsSince(start);
        if (opt.tray && pTiming->trayMs < 0 && HasNewIcon(iconsBefore))
            pTiming->trayMs = MsSince(start);
        if (pTiming->windowMs >= 0 && (!opt.tray || pTiming->trayMs >= 0)) break;
        if (::WaitForSingleObject(pi.hProcess, 1) == WAIT_OBJECT_0) break;
    }
    *pExitCode = EndProgram(opt, pi);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    if (pTiming->windowMs < 0 || (opt.tray && pTiming->trayMs < 0)) {
        std::printf("the program did not come up\n");
        return false;
    }
    return true;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

bool ParseOptions(int argc, char** argv, Options* pOpt) {
    int i = 1;
    for (; i < argc && argv[i][0] == '-' && argv[i][1] == '-'; ++i) {
        const char* arg = argv[i];
        if (!std::strcmp(arg, "--tray")) {
            pOpt->tray = true;
        } else if (!std::strcmp(arg, "--runs") && i + 1 < argc) {
            pOpt->runs = std::atoi(argv[++i]);
        } else if (!std::strcmp(arg, "--end-command") && i + 2 < argc) {
            pOpt->endMessage = WM_COMMAND;
            pOpt->endWParam = static_cast<WPARAM>(std::strtoul(argv[++i], nullptr, 10));
            pOpt->endWindow = argv[++i];
        } else {
            return false;
        }
    }
    if (argc - i != 2 || pOpt->runs < 1) return false;
    pOpt->program = argv[i];
    pOpt->window = argv[i + 1];
    return true;
}

void PrintUsage() {
    std::printf(
        "usage: startupprobe [--runs N] [--tray] [--end-command ID WINDOW] PROGRAM TITLE\n"
        "Starts PROGRAM N times (default 7) and reports how long each start took until a\n"
        "window titled TITLE (and with --tray a new notification-area icon) existed. The\n"
        "program is ended after each start with WM_CLOSE to that window, or WM_COMMAND ID\n"
        "to the window titled WINDOW. Exit code 0 when every start came up and ended.\n");
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    if (!ParseOptions(argc, argv, &opt)) {
        PrintUsage();
        return 2;
    }
    ::QueryPerformanceFrequency(&g_freq);

    std::vector<double> windowMs, trayMs;
    bool ok = true;
    for (int run = 1; run <= opt.runs; ++run) {
        Timing timing;
        long exitCode = -1;
        if (!RunOnce(opt, &timing, &exitCode)) return 1;
        windowMs.push_back(timing.windowMs);
        std::printf("start %d: window after %.1f ms", run, timing.windowMs);
        if (opt.tray) {
            trayMs.push_back(timing.trayMs);
            std::printf(", tray icon after %.1f ms", timing.trayMs);
        }
        std::printf(", exit code %ld\n", exitCode);
        ok = ok && exitCode == 0;
    }
    std::printf("median window: %.1f ms (%d starts)\n", Median(windowMs), opt.runs);
    if (opt.tray) std::printf("median tray icon: %.1f ms (%d starts)\n", Median(trayMs), opt.runs);
    std::fflush(stdout);
    return ok ? 0 : 1;
}
