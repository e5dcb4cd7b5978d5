// installeractions.dll: code that Windows Installer runs from Zapwick's package
// (its Binary table), never installed. Before files are replaced or removed, a
// Zapwick that runs from the installation folder is asked to close with the
// messages that the Restart Manager sends (Windows Vista and later), so that
// Windows XP and Wine, which have no Restart Manager, need no restart either
// and keep no old program file behind. At removal, Task Manager's record of
// the user's choice for the start at log-on goes too.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>
#include <psapi.h>
#include <tlhelp32.h>

namespace {

// One message may take this long to be answered; a hung window is skipped.
constexpr UINT kAnswerTimeoutMs = 5000;
// Zapwick ends within milliseconds of being asked; one that is still there
// after this long is ended the hard way. It holds nothing that it would save.
constexpr DWORD kCloseTimeoutMs = 5000;
constexpr DWORD kTerminateTimeoutMs = 5000;
constexpr int kMaxPrograms = 32;

// The running copies of the installed program.
struct Programs {
    DWORD ids[kMaxPrograms];
    HANDLE handles[kMaxPrograms];
    int count;
};

// The message being sent to every top-level window of those copies.
struct Request {
    const Programs* pPrograms;
    UINT nMsg;
    WPARAM wParam;
};

// A line in the installer's log (msiexec /l*v).
void Log(MSIHANDLE hInstall, const char* pszText) {
    PMSIHANDLE hRecord = ::MsiCreateRecord(1);
    ::MsiRecordSetStringA(hRecord, 0, pszText);
    ::MsiProcessMessage(hInstall, INSTALLMESSAGE_INFO, hRecord);
}

// The full path of the program file that the process runs. The Vista call also
// answers for a process of the other bitness; Windows XP has only the other.
bool ImagePath(HANDLE hProcess, char* pszPath, DWORD cchPath) {
    using QueryFn = BOOL(WINAPI*)(HANDLE, DWORD, LPSTR, PDWORD);
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "QueryFullProcessImageNameA")));
    DWORD cch = cchPath;
    if (query && query(hProcess, 0, pszPath, &cch)) return true;
    return ::GetModuleFileNameExA(hProcess, nullptr, pszPath, cchPath) != 0;
}

void FindPrograms(const char* pszProgram, Programs* pPrograms) {
    pPrograms->count = 0;
    HANDLE hSnapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (hSnapshot == INVALID_HANDLE_VALUE) return;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL bMore = ::Process32First(hSnapshot, &entry); bMore && pPrograms->count < kMaxPrograms;
         bMore = ::Process32Next(hSnapshot, &entry)) {
        if (::lstrcmpiA(entry.szExeFile, "zapwick.exe") != 0) continue;
        HANDLE hProcess = ::OpenProcess(
            PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
            entry.th32ProcessID);
        if (!hProcess) continue;
        // Only the copy in this folder: one started from anywhere else holds
        // none of the files that the installer changes.
        char path[MAX_PATH];
        if (ImagePath(hProcess, path, MAX_PATH) && ::lstrcmpiA(path, pszProgram) == 0) {
            pPrograms->ids[pPrograms->count] = entry.th32ProcessID;
            pPrograms->handles[pPrograms->count] = hProcess;
            ++pPrograms->count;
        } else {
            ::CloseHandle(hProcess);
        }
    }
    ::CloseHandle(hSnapshot);
}

BOOL CALLBACK SendToWindow(HWND hWnd, LPARAM lParam) {
    const auto* pRequest = reinterpret_cast<const Request*>(lParam);
    DWORD id = 0;
    ::GetWindowThreadProcessId(hWnd, &id);
    for (int i = 0; i < pRequest->pPrograms->count; ++i) {
        if (pRequest->pPrograms->ids[i] != id) continue;
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(hWnd, pRequest->nMsg, pRequest->wParam, ENDSESSION_CLOSEAPP,
                              SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result);
        break;
    }
    return TRUE;
}

// As the Restart Manager does: every top-level window, hidden ones included,
// is asked first and then told that it is closing for an installer.
void AskToClose(const Programs& programs) {
    Request query = {&programs, WM_QUERYENDSESSION, 0};
    ::EnumWindows(&SendToWindow, reinterpret_cast<LPARAM>(&query));
    Request end = {&programs, WM_ENDSESSION, TRUE};
    ::EnumWindows(&SendToWindow, reinterpret_cast<LPARAM>(&end));
}

// Task Manager records that a Run value is switched off as a value of the same
// name under StartupApproved: Run for the Run keys of the system's own bitness,
// Run32 for the 32-bit view of HKEY_LOCAL_MACHINE on 64-bit Windows. Both are
// read in the system's own view, whatever this DLL's bitness.
void ForgetStartupApproval(HKEY hRoot) {
    static const char* const kKeys[] = {
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run",
        "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run32"};
    for (const char* pszKey : kKeys) {
        HKEY hKey = nullptr;
        if (::RegOpenKeyExA(hRoot, pszKey, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &hKey) !=
            ERROR_SUCCESS)
            continue;
        ::RegDeleteValueA(hKey, "Zapwick");
        ::RegCloseKey(hKey);
    }
}

}  // namespace

// The custom action, run before InstallValidate at every install, upgrade,
// repair and removal. It never fails the installation: what it cannot close is
// left to the Restart Manager or to replacement at the next restart.
extern "C" __declspec(dllexport) UINT __stdcall CloseRunningZapwick(MSIHANDLE hInstall) {
    char program[MAX_PATH];
    DWORD cchFolder = MAX_PATH;
    if (::MsiGetTargetPathA(hInstall, "INSTALLDIR", program, &cchFolder) != ERROR_SUCCESS)
        return ERROR_SUCCESS;
    // The folder comes with its trailing backslash.
    static const char kProgramName[] = "zapwick.exe";
    if (cchFolder + sizeof(kProgramName) > sizeof(program)) return ERROR_SUCCESS;
    ::lstrcatA(program, kProgramName);

    Programs programs;
    FindPrograms(program, &programs);
    if (programs.count == 0) return ERROR_SUCCESS;

    // wsprintfA writes at most 1024 characters.
    char line[1024];
    ::wsprintfA(line, "Asking %s to close (running %d times)", program, programs.count);
    Log(hInstall, line);
    AskToClose(programs);

    const DWORD start = ::GetTickCount();
    for (int i = 0; i < programs.count; ++i) {
        const DWORD elapsed = ::GetTickCount() - start;
        const DWORD left = elapsed < kCloseTimeoutMs ? kCloseTimeoutMs - elapsed : 0;
        if (::WaitForSingleObject(programs.handles[i], left) != WAIT_OBJECT_0) {
            ::wsprintfA(line, "Process %lu did not close; ending it", programs.ids[i]);
            Log(hInstall, line);
            ::TerminateProcess(programs.handles[i], 1);
            ::WaitForSingleObject(programs.handles[i], kTerminateTimeoutMs);
        }
        ::CloseHandle(programs.handles[i]);
    }
    return ERROR_SUCCESS;
}

// Deferred actions of a removal that is not part of an upgrade (an upgrade
// keeps the user's choice): the user's record, run as the user, and the
// machine's, run with the installer's own rights. Missing keys are no error.
extern "C" __declspec(dllexport) UINT __stdcall ForgetUserStartupApproval(MSIHANDLE) {
    ForgetStartupApproval(HKEY_CURRENT_USER);
    return ERROR_SUCCESS;
}

extern "C" __declspec(dllexport) UINT __stdcall ForgetMachineStartupApproval(MSIHANDLE) {
    ForgetStartupApproval(HKEY_LOCAL_MACHINE);
    return ERROR_SUCCESS;
}
