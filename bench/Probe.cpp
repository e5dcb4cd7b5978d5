// probe.exe: what the bench, soak, screenshot and demo scripts do to a running
// Zapwick (or the floor) that a Linux shell cannot: wait for it to come up,
// time its start, count its handles, GDI objects and windows, make it show a
// window for a picture, and end it the way its user would, collecting the exit
// code. It also keeps the session's desktop for the package tests.
//
// Under Wine without a system tray, explorer shows each icon as a child window
// of class "__winex11_tray_icon" inside a top-level "__winex11_standalone_tray"
// window, owned by explorer; an icon that comes with a start is the program's.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "Floor.h"
#include "ProcessCounts.h"
#include "res/WindowNames.h"
#include "res/resource.h"
#include "tray/TrayIconWnd.h"

namespace {

constexpr DWORD kTimeoutMs = 20000;
// Time for a window that has just appeared to be painted on the X display.
constexpr DWORD kSettleMs = 700;

// The programs the probe knows: the window whose appearance ends a start,
// and the window and message that end the program.
struct Program {
    const char* name;
    const char* window;
    const char* control;
    UINT endMsg;
    WPARAM endWParam;
};
const Program s_programs[] = {
    {"zapwick", MAIN_FRAME_TITLE, TRAY_WINDOW_TITLE, WM_COMMAND, ID_TRAY_EXIT},
    {"floor", FLOOR_TITLE, FLOOR_TITLE, WM_CLOSE, 0},
};

void Click(HWND hTray, UINT down, UINT up) {
    ::PostMessageA(hTray, WM_TRAY_NOTIFY, TRAY_ICON_ID, down);
    ::PostMessageA(hTray, WM_TRAY_NOTIFY, TRAY_ICON_ID, up);
}

// Zapwick's windows that the screenshots show, and what its user does to
// bring each up and to put it away; and the notification area that shows its
// icon, which is explorer's and always there.
using Action = void (*)(HWND hTray, HWND hView);
struct View {
    const char* name;
    const char* cls;
    const char* title;  // null: any
    Action show;
    Action hide;
    bool activate;
    bool zapwicks = true;
};
const View s_views[] = {
    {"status", "#32770", "Zapwick",
     [](HWND hTray, HWND) { Click(hTray, WM_LBUTTONDOWN, WM_LBUTTONUP); },
     [](HWND hTray, HWND) { Click(hTray, WM_LBUTTONDOWN, WM_LBUTTONUP); }, true},
    {"menu", "#32768", nullptr,
     [](HWND hTray, HWND) { Click(hTray, WM_RBUTTONDOWN, WM_RBUTTONUP); },
     [](HWND hTray, HWND) { ::PostMessageA(hTray, WM_KEYDOWN, VK_ESCAPE, 1); }, false},
    {"about", "#32770", "About Zapwick",
     [](HWND hTray, HWND) { ::PostMessageA(hTray, WM_COMMAND, ID_TRAY_ABOUT, 0); },
     [](HWND, HWND hView) { ::PostMessageA(hView, WM_COMMAND, IDOK, 0); }, false},
    {"tray", "__winex11_standalone_tray", nullptr, [](HWND, HWND) {}, [](HWND, HWND) {}, false,
     false},
};

// Looks every few milliseconds until done() holds or the time is up: the
// windows belong to other processes, and nothing tells this one they changed.
template <typename Done>
bool Until(Done done, DWORD timeoutMs = kTimeoutMs) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(1);
    }
    return true;
}

DWORD OwnerOf(HWND hWnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    return pid;
}

// The top-level window of this class and title (null: any) that belongs to
// the process (0: any) and, if asked, is visible.
HWND FindOf(const char* pszClass, const char* pszTitle, DWORD pid, bool visibleOnly = false) {
    HWND hWnd = nullptr;
    while ((hWnd = ::FindWindowExA(nullptr, hWnd, pszClass, pszTitle)))
        if ((!pid || OwnerOf(hWnd) == pid) && (!visibleOnly || ::IsWindowVisible(hWnd)))
            return hWnd;
    return nullptr;
}

BOOL CALLBACK CountWindow(HWND hWnd, LPARAM lParam) {
    auto* pCount = reinterpret_cast<std::pair<DWORD, long>*>(lParam);
    if (OwnerOf(hWnd) != pCount->first) return TRUE;
    ++pCount->second;
    if (::GetAncestor(hWnd, GA_PARENT) == ::GetDesktopWindow())
        ::EnumChildWindows(hWnd, &CountWindow, lParam);
    return TRUE;
}

// The windows of process pid among the children of hParent, or among all
// windows for null; a top-level window counts with its children.
long CountWindows(HWND hParent, DWORD pid) {
    std::pair<DWORD, long> count(pid, 0);
    if (hParent)
        ::EnumChildWindows(hParent, &CountWindow, reinterpret_cast<LPARAM>(&count));
    else
        ::EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&count));
    return count.second;
}

long TrayIconCount() {
    HWND hTray = ::FindWindowA("__winex11_standalone_tray", nullptr);
    return hTray ? CountWindows(hTray, OwnerOf(hTray)) : 0;
}

double MsSince(const LARGE_INTEGER& from) {
    LARGE_INTEGER now, freq;
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&freq);
    return static_cast<double>(now.QuadPart - from.QuadPart) * 1000.0 /
           static_cast<double>(freq.QuadPart);
}

// Asks the program to end and waits for its process; prints and returns its
// exit code, or -1 when it could not be asked or did not end.
long End(const Program& program, DWORD pid = 0) {
    HWND hWnd = FindOf(nullptr, program.control, pid);
    HANDLE hProcess =
        hWnd ? ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, OwnerOf(hWnd))
             : nullptr;
    DWORD code = 0;
    const bool ended = hProcess && ::PostMessageA(hWnd, program.endMsg, program.endWParam, 0) &&
                       ::WaitForSingleObject(hProcess, kTimeoutMs) == WAIT_OBJECT_0 &&
                       ::GetExitCodeProcess(hProcess, &code);
    if (hProcess) ::CloseHandle(hProcess);
    if (!ended) {
        std::printf("%s could not be ended\n", program.name);
        return -1;
    }
    std::printf("exit code %lu\n", code);
    return static_cast<long>(code);
}

// One cold start of the program beside the probe, or of the one at pszPath (an
// installed copy, say): milliseconds until the window and until a new tray
// icon exist, then the program is ended.
int Start(const Program& program, const char* pszPath) {
    char folder[MAX_PATH], commandLine[2 * MAX_PATH];
    const DWORD n = ::GetModuleFileNameA(nullptr, folder, sizeof(folder));
    char* pSlash = n < sizeof(folder) ? std::strrchr(folder, '\\') : nullptr;
    if (!pSlash) return 1;
    *pSlash = '\0';
    if (pszPath)
        std::snprintf(commandLine, sizeof(commandLine), "\"%s\"", pszPath);
    else
        std::snprintf(commandLine, sizeof(commandLine), "\"%s\\%s.exe\"", folder, program.name);
    const long iconsBefore = TrayIconCount();
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    LARGE_INTEGER start;
    ::QueryPerformanceCounter(&start);
    if (!::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi)) {
        std::printf("could not start %s (error %lu)\n", commandLine, ::GetLastError());
        return 1;
    }
    double windowMs = -1, trayMs = -1;
    Until([&] {
        if (windowMs < 0 && FindOf(nullptr, program.window, pi.dwProcessId))
            windowMs = MsSince(start);
        if (trayMs < 0 && TrayIconCount() > iconsBefore) trayMs = MsSince(start);
        return (windowMs >= 0 && trayMs >= 0) ||
               ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0;
    });
    std::printf("window %.1f ms, tray icon %.1f ms, ", windowMs, trayMs);
    const long code = End(program, pi.dwProcessId);
    if (code != 0) ::TerminateProcess(pi.hProcess, 1);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return windowMs >= 0 && trayMs >= 0 && code == 0 ? 0 : 1;
}

int Counts(const Program& program) {
    HWND hWnd = FindOf(nullptr, program.control, 0);
    if (!hWnd) return 1;
    const DWORD pid = OwnerOf(hWnd);
    HANDLE hProcess = ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    std::printf("handles %ld gdi %ld windows %ld\n", CountHandles(pid), CountGdiObjects(hProcess),
                CountWindows(nullptr, pid));
    if (hProcess) ::CloseHandle(hProcess);
    return 0;
}

// Does what the user does to bring the view up (show) or put it away, waits
// until it has, and for show prints its rectangle on the screen.
int ShowOrHide(const View& view, bool show) {
    HWND hTray = FindOf(nullptr, TRAY_WINDOW_TITLE, 0);
    if (!hTray) return 1;
    if (!view.zapwicks && !show) return 0;  // it stays
    const DWORD pid = view.zapwicks ? OwnerOf(hTray) : 0;
    HWND hView = FindOf(view.cls, view.title, pid, true);
    (show ? view.show : view.hide)(hTray, hView);
    if (!Until([&] {
            return ((hView = FindOf(view.cls, view.title, pid, true)) != nullptr) == show;
        })) {
        std::fprintf(stderr, "probe: the %s window did not %s\n", view.name, show ? "come" : "go");
        return 1;
    }
    if (!show) return 0;
    // Under Wine the status window comes up with an inactive caption; Windows
    // lets the owner of a clicked icon take the foreground. Activating it anew
    // from the tray window draws it as Windows does.
    for (HWND hWnd : {hTray, hView})
        if (view.activate)
            Until([hWnd] { return ::SetForegroundWindow(hWnd) && ::GetForegroundWindow() == hWnd; },
                  3000);
    ::Sleep(kSettleMs);
    RECT rc;
    ::GetWindowRect(hView, &rc);
    std::printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    return 0;
}

template <typename T, size_t N>
const T* Named(const T (&table)[N], const char* pszName) {
    for (const T& item : table)
        if (!std::strcmp(item.name, pszName)) return &item;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv) {
    // As any program of a real session does, keeps the session's desktop until
    // it is ended: under Wine the desktop goes once no program it counts is left.
    if (argc == 2 && !std::strcmp(argv[1], "desktop") && ::GetDesktopWindow()) {
        std::printf("holding the desktop\n");
        std::fflush(stdout);
        for (MSG msg; ::GetMessageA(&msg, nullptr, 0, 0) > 0;) ::DispatchMessageA(&msg);
        return 0;
    }
    // `start` alone may name the executable to start as a third argument.
    const bool bPath = argc == 4 && !std::strcmp(argv[1], "start");
    const char* verb = argc == 3 || bPath ? argv[1] : "";
    const Program* pProgram = argc == 3 || bPath ? Named(s_programs, argv[2]) : nullptr;
    const View* pView = argc == 3 ? Named(s_views, argv[2]) : nullptr;
    if (pProgram && !std::strcmp(verb, "wait")) {
        HWND hWnd = nullptr;
        if (!Until([&] {
                return (hWnd = FindOf(nullptr, pProgram->control, 0)) && TrayIconCount() > 0;
            })) {
            std::printf("%s did not come up\n", pProgram->name);
            return 1;
        }
        std::printf("pid %lu\n", OwnerOf(hWnd));
        return 0;
    }
    if (pProgram && !std::strcmp(verb, "end")) return End(*pProgram) < 0;
    if (pProgram && !std::strcmp(verb, "start")) return Start(*pProgram, bPath ? argv[3] : nullptr);
    if (pProgram && !std::strcmp(verb, "counts")) return Counts(*pProgram);
    if (pView && (!std::strcmp(verb, "show") || !std::strcmp(verb, "hide")))
        return ShowOrHide(*pView, verb[0] == 's');
    std::printf(
        "usage: probe wait|end|start|counts zapwick|floor   (start: [PROGRAM.EXE])\n"
        "       probe show|hide status|menu|about|tray\n"
        "       probe desktop\n"
        "wait: until it is up, prints its pid; end: Exit (the floor: WM_CLOSE), prints the\n"
        "exit code; start: one timed start and end, of the program beside the probe or\n"
        "PROGRAM.EXE; counts: its handles, GDI objects and windows;\n"
        "show: brings up Zapwick's window, prints its rectangle; hide: puts it away;\n"
        "desktop: keeps the session's desktop until it is ended.\n");
    return 2;
}
