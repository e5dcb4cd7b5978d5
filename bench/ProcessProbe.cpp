// processprobe.exe: what the bench and soak scripts need to know about, or do
// to, a running Windows program that a Linux shell cannot: wait for its window
// and learn its process id, read the kernel and window-manager object counts
// of its process, and end it through a message to one of its windows and
// collect its exit code.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD kDefaultWaitMs = 20000;

// The system-wide handle list of NtQuerySystemInformation: declared here, as
// the SDK headers keep it private.
constexpr ULONG kSystemHandleInformation = 16;
constexpr LONG kStatusInfoLengthMismatch = static_cast<LONG>(0xC0000004);
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE handleFlags;
    USHORT handleValue;
    PVOID objectPointer;
    ULONG accessMask;
};
struct SystemHandleInformation {
    ULONG count;
    SystemHandleEntry handles[1];
};
using NtQuerySystemInformationFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

enum ExitCode { kOk = 0, kFail = 1, kBadUsage = 2 };

DWORD OwnerOf(HWND hWnd) {
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    return pid;
}

// The window belongs to another process and no event marks its creation, so
// this looks every 5 ms until it exists or the deadline passes.
HWND WaitForWindow(const char* pszTitle, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND hWnd = ::FindWindowA(nullptr, pszTitle)) return hWnd;
        if (::GetTickCount() - start >= timeoutMs) return nullptr;
        ::Sleep(5);
    }
}

struct WindowCount {
    DWORD pid;
    int count;
};

BOOL CALLBACK CountChild(HWND hWnd, LPARAM lParam) {
    auto* pCount = reinterpret_cast<WindowCount*>(lParam);
    if (OwnerOf(hWnd) == pCount->pid) ++pCount->count;
    return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND hWnd, LPARAM lParam) {
    auto* pCount = reinterpret_cast<WindowCount*>(lParam);
    if (OwnerOf(hWnd) != pCount->pid) return TRUE;
    ++pCount->count;
    ::EnumChildWindows(hWnd, &CountChild, lParam);
    return TRUE;
}

// The number of handles that the process holds, from the list of every
// handle in the system, or -1 when that list cannot be had.
long CountHandlesInSystemList(DWORD pid) {
    auto query = reinterpret_cast<NtQuerySystemInformationFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<BYTE> buffer(1 << 16);
    LONG status;
    ULONG needed = 0;
    while ((status = query(kSystemHandleInformation, buffer.data(),
                           static_cast<ULONG>(buffer.size()), &needed)) ==
           kStatusInfoLengthMismatch)
        buffer.resize(std::max<size_t>(buffer.size() * 2, needed));
    if (status < 0) return -1;
    const auto* pInfo = reinterpret_cast<const SystemHandleInformation*>(buffer.data());
    long count = 0;
    for (ULONG i = 0; i < pInfo->count; ++i)
        if (pInfo->handles[i].ownerPid == pid) ++count;
    return count;
}

// Prints one "name value" line per counter; a counter the system does not
// keep is printed as "unsupported" with the reason.
int PrintCounts(DWORD pid) {
    HANDLE hProcess = ::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!hProcess) {
        std::printf("could not open process %lu (error %lu)\n", pid, ::GetLastError());
        return kFail;
    }
    std::printf("pid %lu\n", pid);
    DWORD handles = 0;
    if (::GetProcessHandleCount(hProcess, &handles))
        std::printf("handle_count %lu\n", handles);
    else
        std::printf("handle_count unsupported (error %lu)\n", ::GetLastError());
    std::printf("handles_in_system_list %ld\n", CountHandlesInSystemList(pid));
    // GetGuiResources returns 0 both for "none" and for failure; a process
    // with windows always has user objects, so 0 there means not kept.
    ::SetLastError(0);
    const DWORD gdi = ::GetGuiResources(hProcess, GR_GDIOBJECTS);
    const DWORD gdiError = ::GetLastError();
    ::SetLastError(0);
    const DWORD user = ::GetGuiResources(hProcess, GR_USEROBJECTS);
    const DWORD userError = ::GetLastError();
    std::printf("gdi_objects %lu (last error %lu)\n", gdi, gdiError);
    std::printf("user_objects %lu (last error %lu)\n", user, userError);
    WindowCount windows = {pid, 0};
    ::EnumWindows(&CountTopLevel, reinterpret_cast<LPARAM>(&windows));
    std::printf("windows %d\n", windows.count);
    ::CloseHandle(hProcess);
    return kOk;
}

int EndProgram(const char* pszTitle, UINT nMsg, WPARAM wParam, DWORD timeoutMs) {
    HWND hWnd = ::FindWindowA(nullptr, pszTitle);
    if (!hWnd) {
        std::printf("no window titled \"%s\"\n", pszTitle);
        return kFail;
    }
    const DWORD pid = OwnerOf(hWnd);
    HANDLE hProcess = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid);
    if (!hProcess || !::PostMessageA(hWnd, nMsg, wParam, 0)) {
        std::printf("could not ask process %lu to end (error %lu)\n", pid, ::GetLastError());
        return kFail;
    }
    const bool ended = ::WaitForSingleObject(hProcess, timeoutMs) == WAIT_OBJECT_0;
    DWORD code = 0;
    if (ended) ::GetExitCodeProcess(hProcess, &code);
    ::CloseHandle(hProcess);
    if (!ended) {
        std::printf("process %lu did not end within %lu ms\n", pid, timeoutMs);
        return kFail;
    }
    std::printf("exit code %lu\n", code);
    return kOk;
}

void PrintUsage() {
    std::printf(
        "usage: processprobe wait TITLE [MS]       waits for the window, prints \"pid N\"\n"
        "       processprobe counts PID             prints the process's object counts\n"
        "       processprobe close TITLE [MS]       WM_CLOSE to the window, waits for the end\n"
        "       processprobe command TITLE ID [MS]  WM_COMMAND ID, waits for the end\n"
        "Waits last at most MS milliseconds (default 20000). Exit code 0 on success.\n");
}

DWORD TimeoutArg(int argc, char** argv, int index) {
    return argc > index ? std::strtoul(argv[index], nullptr, 10) : kDefaultWaitMs;
}

}  // namespace

int main(int argc, char** argv) {
    const char* verb = argc > 2 ? argv[1] : "";
    if (!std::strcmp(verb, "wait")) {
        HWND hWnd = WaitForWindow(argv[2], TimeoutArg(argc, argv, 3));
        if (!hWnd) {
            std::printf("no window titled \"%s\" appeared\n", argv[2]);
            return kFail;
        }
        std::printf("pid %lu\n", OwnerOf(hWnd));
        return kOk;
    }
    if (!std::strcmp(verb, "counts")) return PrintCounts(std::strtoul(argv[2], nullptr, 10));
    if (!std::strcmp(verb, "close"))
        return EndProgram(argv[2], WM_CLOSE, 0, TimeoutArg(argc, argv, 3));
    if (!std::strcmp(verb, "command") && argc > 3)
        return EndProgram(argv[2], WM_COMMAND, std::strtoul(argv[3], nullptr, 10),
                          TimeoutArg(argc, argv, 4));
    PrintUsage();
    return kBadUsage;
}
