#include "RunningCopies.h"

#include <psapi.h>
#include <restartmanager.h>
#include <tlhelp32.h>

#include "InstallerLog.h"

namespace {

// One message may take this long to be answered; a hung window is skipped.
constexpr UINT kAnswerTimeoutMs = 5000;
// Zapwick ends within milliseconds of being asked; one that was asked and is
// still there after this long is ended the hard way. It holds nothing that it
// would save.
constexpr DWORD kCloseTimeoutMs = 5000;
constexpr DWORD kTerminateTimeoutMs = 5000;
constexpr int kMaxPrograms = 32;

enum State { NOT_ASKED, ASKED_BY_RESTART_MANAGER, ASKED_HERE };

// The running copies of the installed program that this process can reach,
// and who asked each to close.
struct Programs {
    DWORD ids[kMaxPrograms];
    HANDLE handles[kMaxPrograms];
    State states[kMaxPrograms];
    int count;
};

// The message being sent to every top-level window of the copies in question.
struct Request {
    Programs* pPrograms;
    UINT nMsg;
    WPARAM wParam;
};

// A function that not every Windows has, or null.
template <typename Fn>
Fn Proc(HMODULE hModule, const char* pszName) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(hModule ? ::GetProcAddress(hModule, pszName) : nullptr));
}

// The full path of the program file that the process runs. The Vista call also
// answers for a process of the other bitness; Windows XP has only the other.
bool ImagePath(HANDLE hProcess, wchar_t* pszPath, DWORD cchPath) {
    using QueryFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    static const auto query =
        Proc<QueryFn>(::GetModuleHandleW(L"kernel32.dll"), "QueryFullProcessImageNameW");
    DWORD cch = cchPath;
    if (query && query(hProcess, 0, pszPath, &cch)) return true;
    return ::GetModuleFileNameExW(hProcess, nullptr, pszPath, cchPath) != 0;
}

void FindPrograms(const wchar_t* pszProgram, Programs* pPrograms) {
    pPrograms->count = 0;
    HANDLE hSnapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = ::Process32FirstW(hSnapshot, &entry);
         bMore && pPrograms->count < kMaxPrograms; bMore = ::Process32NextW(hSnapshot, &entry)) {
        if (::lstrcmpiW(entry.szExeFile, L"zapwick.exe") != 0) continue;
        HANDLE hProcess = ::OpenProcess(
            PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
            entry.th32ProcessID);
        if (!hProcess) continue;
        // Only the copy in this folder: one started from anywhere else holds
        // none of the files that the installer changes.
        wchar_t path[MAX_PATH];
        if (ImagePath(hProcess, path, MAX_PATH) && ::lstrcmpiW(path, pszProgram) == 0) {
            const int i = pPrograms->count++;
            pPrograms->ids[i] = entry.th32ProcessID;
            pPrograms->handles[i] = hProcess;
            pPrograms->states[i] = NOT_ASKED;
        } else {
            ::CloseHandle(hProcess);
        }
    }
    ::CloseHandle(hSnapshot);
}

// The Restart Manager sends what Windows sends at log-off, marked as a close
// for an installer (WM_QUERYENDSESSION and WM_ENDSESSION with
// ENDSESSION_CLOSEAPP), to the copies in every session, silent installations
// included. Windows XP has none; Wine's lists no program, so it asks none.
// It also reaches the copies that this process cannot open.
void AskThroughRestartManager(MSIHANDLE hInstall, const wchar_t* pszProgram, Programs* pPrograms) {
    wchar_t path[MAX_PATH + 16];
    const UINT cch = ::GetSystemDirectoryW(path, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH) return;
    ::lstrcatW(path, L"\\rstrtmgr.dll");
    HMODULE hRm = ::LoadLibraryW(path);
    if (!hRm) return;
    const auto start = Proc<decltype(&::RmStartSession)>(hRm, "RmStartSession");
    const auto reg = Proc<decltype(&::RmRegisterResources)>(hRm, "RmRegisterResources");
    const auto list = Proc<decltype(&::RmGetList)>(hRm, "RmGetList");
    const auto shutdown = Proc<decltype(&::RmShutdown)>(hRm, "RmShutdown");
    const auto end = Proc<decltype(&::RmEndSession)>(hRm, "RmEndSession");
    DWORD dwSession = 0;
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    if (start && reg && list && shutdown && end && start(&dwSession, 0, key) == ERROR_SUCCESS) {
        LPCWSTR files[] = {pszProgram};
        RM_PROCESS_INFO apps[kMaxPrograms];
        UINT nNeeded = 0, nApps = kMaxPrograms;
        DWORD dwReasons = 0;
        if (reg(dwSession, 1, files, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
            list(dwSession, &nNeeded, &nApps, apps, &dwReasons) == ERROR_SUCCESS && nApps > 0) {
            Log(hInstall, L"The Restart Manager asks %u copies to close", nApps);
            for (UINT a = 0; a < nApps; ++a)
                for (int i = 0; i < pPrograms->count; ++i)
                    if (pPrograms->ids[i] == apps[a].Process.dwProcessId)
                        pPrograms->states[i] = ASKED_BY_RESTART_MANAGER;
            // Without RmForceShutdown: a copy that does not close is not ended here.
            const DWORD dwResult = shutdown(dwSession, 0, nullptr);
            if (dwResult != ERROR_SUCCESS) Log(hInstall, L"The Restart Manager says %lu", dwResult);
        }
        end(dwSession);
    }
    ::FreeLibrary(hRm);
}

BOOL CALLBACK SendToWindow(HWND hWnd, LPARAM lParam) {
    const auto* pRequest = reinterpret_cast<const Request*>(lParam);
    Programs* pPrograms = pRequest->pPrograms;
    DWORD id = 0;
    ::GetWindowThreadProcessId(hWnd, &id);
    for (int i = 0; i < pPrograms->count; ++i) {
        if (pPrograms->ids[i] != id) continue;
        // The query goes to every window of a copy that the Restart Manager
        // did not ask, whatever its other windows answered; the end, to those
        // that were asked here.
        if (pPrograms->states[i] == ASKED_BY_RESTART_MANAGER) break;
        if (pRequest->nMsg == WM_QUERYENDSESSION) pPrograms->states[i] = ASKED_HERE;
        if (pPrograms->states[i] == ASKED_HERE) {
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(hWnd, pRequest->nMsg, pRequest->wParam, ENDSESSION_CLOSEAPP,
                                  SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result);
        }
        break;
    }
    return TRUE;
}

// As the Restart Manager does, for the copies that it did not ask: every
// top-level window on this desktop, hidden ones included, is asked first and
// then told that it is closing for an installer. A copy elsewhere, in another
// session or on another desktop, cannot be asked from here.
void AskOnThisDesktop(Programs* pPrograms) {
    Request query = {pPrograms, WM_QUERYENDSESSION, 0};
    ::EnumWindows(&SendToWindow, reinterpret_cast<LPARAM>(&query));
    Request end = {pPrograms, WM_ENDSESSION, TRUE};
    ::EnumWindows(&SendToWindow, reinterpret_cast<LPARAM>(&end));
}

}  // namespace

void CloseRunningCopies(MSIHANDLE hInstall, const wchar_t* pszProgram) {
    Programs programs;
    FindPrograms(pszProgram, &programs);
    if (programs.count == 0) return;

    Log(hInstall, L"Asking %s to close (running %d times)", pszProgram, programs.count);
    AskThroughRestartManager(hInstall, pszProgram, &programs);
    AskOnThisDesktop(&programs);

    const DWORD start = ::GetTickCount();
    for (int i = 0; i < programs.count; ++i) {
        const DWORD elapsed = ::GetTickCount() - start;
        const DWORD left = elapsed < kCloseTimeoutMs ? kCloseTimeoutMs - elapsed : 0;
        if (programs.states[i] == NOT_ASKED) {
            Log(hInstall,
                L"Process %lu could not be asked to close: it has no window on this "
                L"desktop; left running",
                programs.ids[i]);
        } else if (::WaitForSingleObject(programs.handles[i], left) != WAIT_OBJECT_0) {
            Log(hInstall, L"Process %lu did not close; ending it", programs.ids[i]);
            ::TerminateProcess(programs.handles[i], 1);
            ::WaitForSingleObject(programs.handles[i], kTerminateTimeoutMs);
        }
        ::CloseHandle(programs.handles[i]);
    }
}
