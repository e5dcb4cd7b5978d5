// installeractions.dll: code that Windows Installer runs from Zapwick's package
// (its Binary table), never installed. Before files are replaced or removed, a
// Zapwick that runs from the installation folder is asked to close: through
// the Restart Manager where Windows has one (Vista and later), which reaches
// the copies in every session, else on this desktop with the same messages.
// After an interactive installation Zapwick is started. At removal, Task
// Manager's record of the user's choice for the start at log-on goes too.
// Paths are wide: a user's profile folder may hold characters that the code
// page cannot spell.
#include <windows.h>

#include <exdisp.h>
#include <msi.h>
#include <msiquery.h>
#include <psapi.h>
#include <restartmanager.h>
#include <shldisp.h>
#include <shlobj.h>
#include <tlhelp32.h>

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
    bool queried[kMaxPrograms];
    int count;
};

// The message being sent to every top-level window of the copies in question.
struct Request {
    Programs* pPrograms;
    UINT nMsg;
    WPARAM wParam;
};

// A line in the installer's log (msiexec /l*v).
void Log(MSIHANDLE hInstall, const wchar_t* pszFormat, ...) {
    wchar_t line[1024];  // wvsprintfW writes at most 1024 characters
    va_list args;
    va_start(args, pszFormat);
    ::wvsprintfW(line, pszFormat, args);
    va_end(args);
    PMSIHANDLE hRecord = ::MsiCreateRecord(1);
    ::MsiRecordSetStringW(hRecord, 0, line);
    ::MsiProcessMessage(hInstall, INSTALLMESSAGE_INFO, hRecord);
}

// The installation folder (with its trailing backslash) and the program in it.
bool ProgramPath(MSIHANDLE hInstall, wchar_t (&folder)[MAX_PATH], wchar_t (&program)[MAX_PATH]) {
    static const wchar_t kProgramName[] = L"zapwick.exe";
    DWORD cchFolder = MAX_PATH;
    if (::MsiGetTargetPathW(hInstall, L"INSTALLDIR", folder, &cchFolder) != ERROR_SUCCESS ||
        cchFolder + ARRAYSIZE(kProgramName) > MAX_PATH)
        return false;
    ::lstrcpyW(program, folder);
    ::lstrcatW(program, kProgramName);
    return true;
}

template <typename Fn>
Fn Function(const wchar_t* pszModule, const char* pszName) {
    HMODULE hModule = ::GetModuleHandleW(pszModule);
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(hModule ? ::GetProcAddress(hModule, pszName) : nullptr));
}

// The full path of the program file that the process runs. The Vista call also
// answers for a process of the other bitness; Windows XP has only the other.
bool ImagePath(HANDLE hProcess, wchar_t* pszPath, DWORD cchPath) {
    using QueryFn = BOOL(WINAPI*)(HANDLE, DWORD, LPWSTR, PDWORD);
    static const auto query = Function<QueryFn>(L"kernel32.dll", "QueryFullProcessImageNameW");
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
            pPrograms->queried[i] = false;
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
    const auto start = reinterpret_cast<decltype(&::RmStartSession)>(
        reinterpret_cast<void*>(::GetProcAddress(hRm, "RmStartSession")));
    const auto reg = reinterpret_cast<decltype(&::RmRegisterResources)>(
        reinterpret_cast<void*>(::GetProcAddress(hRm, "RmRegisterResources")));
    const auto list = reinterpret_cast<decltype(&::RmGetList)>(
        reinterpret_cast<void*>(::GetProcAddress(hRm, "RmGetList")));
    const auto shutdown = reinterpret_cast<decltype(&::RmShutdown)>(
        reinterpret_cast<void*>(::GetProcAddress(hRm, "RmShutdown")));
    const auto end = reinterpret_cast<decltype(&::RmEndSession)>(
        reinterpret_cast<void*>(::GetProcAddress(hRm, "RmEndSession")));
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
        const bool bQuery = pRequest->nMsg == WM_QUERYENDSESSION;
        if (pPrograms->states[i] == (bQuery ? NOT_ASKED : ASKED_HERE)) {
            DWORD_PTR result = 0;
            ::SendMessageTimeoutW(hWnd, pRequest->nMsg, pRequest->wParam, ENDSESSION_CLOSEAPP,
                                  SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result);
            // Its other windows are asked too, whatever this one answered.
            if (bQuery) pPrograms->queried[i] = true;
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
    for (int i = 0; i < pPrograms->count; ++i)
        if (pPrograms->queried[i]) pPrograms->states[i] = ASKED_HERE;
    Request end = {pPrograms, WM_ENDSESSION, TRUE};
    ::EnumWindows(&SendToWindow, reinterpret_cast<LPARAM>(&end));
}

// Whether this process runs with an administrator's full rights that UAC
// granted: an installation started from an elevated prompt.
bool IsElevatedByUac() {
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken)) return false;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD cb = 0;
    const bool bFull =
        ::GetTokenInformation(hToken, TokenElevationType, &type, sizeof(type), &cb) &&
        type == TokenElevationTypeFull;
    ::CloseHandle(hToken);
    return bFull;
}

// Releases a COM pointer when it goes out of scope.
template <typename T>
struct ComPtr {
    T* p = nullptr;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

// Starts the program through the desktop's Explorer, which runs as the same
// user without the elevation, so that the program does not inherit it.
bool StartThroughExplorer(const wchar_t* pszProgram, const wchar_t* pszFolder) {
    ComPtr<IShellWindows> windows;
    ComPtr<IDispatch> desktop, background, application;
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IShellDispatch2> shell;
    VARIANT location, root;
    ::VariantInit(&location);
    ::VariantInit(&root);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    long hWnd = 0;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_IShellWindows, reinterpret_cast<void**>(&windows))) ||
        windows->FindWindowSW(&location, &root, SWC_DESKTOP, &hWnd, SWFO_NEEDDISPATCH, &desktop) !=
            S_OK ||
        FAILED(
            desktop->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services))) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                      reinterpret_cast<void**>(&browser))) ||
        FAILED(browser->QueryActiveShellView(&view)) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                   reinterpret_cast<void**>(&background))) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual,
                                          reinterpret_cast<void**>(&folderView))) ||
        FAILED(folderView->get_Application(&application)) ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(&shell))))
        return false;
    BSTR file = ::SysAllocString(pszProgram);
    VARIANT arguments, folder, operation, show;
    ::VariantInit(&arguments);
    folder.vt = VT_BSTR;
    folder.bstrVal = ::SysAllocString(pszFolder);
    operation.vt = VT_BSTR;
    operation.bstrVal = ::SysAllocString(L"open");
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    const bool bStarted = file && folder.bstrVal && operation.bstrVal &&
                          SUCCEEDED(shell->ShellExecute(file, arguments, folder, operation, show));
    ::SysFreeString(file);
    ::VariantClear(&folder);
    ::VariantClear(&operation);
    return bStarted;
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
// repair and removal. It never fails the installation, and ends only a copy
// that it asked: one that it could not ask keeps its file in use, which
// Windows Installer then replaces at the next restart.
extern "C" __declspec(dllexport) UINT __stdcall CloseRunningZapwick(MSIHANDLE hInstall) {
    wchar_t folder[MAX_PATH], program[MAX_PATH];
    if (!ProgramPath(hInstall, folder, program)) return ERROR_SUCCESS;
    Programs programs;
    FindPrograms(program, &programs);
    if (programs.count == 0) return ERROR_SUCCESS;

    Log(hInstall, L"Asking %s to close (running %d times)", program, programs.count);
    AskThroughRestartManager(hInstall, program, &programs);
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
    return ERROR_SUCCESS;
}

// Run only where Windows Installer runs its user interface sequence, which it
// does only for a full or reduced interface, in the installing user's own
// process: that process is not elevated by the installation itself, and
// never is the system account of a deployment. The installed Zapwick is
// started there and left to run; a failure only goes to the log.
extern "C" __declspec(dllexport) UINT __stdcall StartZapwick(MSIHANDLE hInstall) {
    wchar_t folder[MAX_PATH], program[MAX_PATH], command[MAX_PATH + 2];
    if (!ProgramPath(hInstall, folder, program)) return ERROR_SUCCESS;
    ::wsprintfW(command, L"\"%s\"", program);
    // From an elevated prompt this process has the administrator's full rights,
    // which Zapwick needs not and should not inherit: Explorer starts it then.
    if (IsElevatedByUac()) {
        const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        const bool bStarted = StartThroughExplorer(program, folder);
        if (SUCCEEDED(hrCom)) ::CoUninitialize();
        if (bStarted) return ERROR_SUCCESS;
        Log(hInstall, L"Explorer did not start %s; starting it as the installer runs", program);
    }
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    // The installer may run its actions in a job that ends what they leave
    // behind; where the job lets nothing break away, Zapwick is started in it.
    const BOOL bStarted =
        ::CreateProcessW(program, command, nullptr, nullptr, FALSE, CREATE_BREAKAWAY_FROM_JOB,
                         nullptr, folder, &si, &pi) ||
        ::CreateProcessW(program, command, nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi);
    if (!bStarted) {
        Log(hInstall, L"Could not start %s (error %lu)", program, ::GetLastError());
        return ERROR_SUCCESS;
    }
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
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
