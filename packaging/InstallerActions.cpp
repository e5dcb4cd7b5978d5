// installeractions.dll: code that Windows Installer runs from Zapwick's package
// (its Binary table), never installed. Before files are replaced or removed, a
// Zapwick that runs from the installation folder is asked to close: through
// the Restart Manager where Windows has one (Vista and later), which reaches
// the copies in every session, else on this desktop with the same messages.
// After an interactive installation Zapwick is started. At removal, Task
// Manager's record of the user's choice for the start at log-on goes too. An
// upgrade keeps the update reminder's switch that the installation recorded.
// Paths are wide: a user's profile folder may hold characters that the code
// page cannot spell.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

#include "ExplorerStart.h"
#include "framework/AdminSettings.h"
#include "InstallerLog.h"
#include "RunningCopies.h"

namespace {

const wchar_t kReminderProperty[] = L"ZW_UPDATEREMINDER";
const char kReminderSwitch[] = "UpdateReminder";

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

// The update reminder's switch that an earlier installation in this scope
// recorded ("0" or "1"): under HKCU, or under HKLM in either view, this DLL's
// own first. An installation of the other architecture, which this one
// replaces, recorded it in the other view of the machine's key; the program
// installed now reads it in its own, where this installation writes it anew.
bool RecordedReminderSwitch(MSIHANDLE hInstall, const wchar_t** ppszValue) {
    wchar_t allUsers[8] = {};
    DWORD cch = ARRAYSIZE(allUsers);
    ::MsiGetPropertyW(hInstall, L"ALLUSERS", allUsers, &cch);
    const HKEY hRoot = ::lstrcmpW(allUsers, L"1") == 0 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    // HKCU's Software key is the same in every view: reading it thrice is harmless.
    static const REGSAM kViews[] = {0, KEY_WOW64_64KEY, KEY_WOW64_32KEY};
    DWORD dwValue = 0;
    for (REGSAM samView : kViews) {
        if (ReadRegistryDword(hRoot, "Software\\Morvane\\Zapwick", samView, kReminderSwitch,
                              &dwValue)) {
            *ppszValue = dwValue ? L"1" : L"0";
            return true;
        }
    }
    return false;
}

}  // namespace

// Run before the folders and components are costed, so before an upgrade
// removes the older version with its registry values. ZW_UPDATEREMINDER, 0 or
// 1, is the update reminder's switch that the installation records for its
// users (any other value is ignored). Where it is not given, the switch that
// the installation recorded before is kept.
extern "C" __declspec(dllexport) UINT __stdcall RememberUpdateReminder(MSIHANDLE hInstall) {
    wchar_t given[8] = {};
    DWORD cch = ARRAYSIZE(given);
    const UINT nResult = ::MsiGetPropertyW(hInstall, kReminderProperty, given, &cch);
    if (nResult == ERROR_SUCCESS && (::lstrcmpW(given, L"0") == 0 || ::lstrcmpW(given, L"1") == 0))
        return ERROR_SUCCESS;
    if (nResult != ERROR_SUCCESS || given[0]) {
        Log(hInstall, L"%s must be 0 or 1; ignored", kReminderProperty);
        ::MsiSetPropertyW(hInstall, kReminderProperty, L"");
    }
    const wchar_t* pszRecorded = nullptr;
    if (RecordedReminderSwitch(hInstall, &pszRecorded)) {
        Log(hInstall, L"Keeping the recorded %s=%s", kReminderProperty, pszRecorded);
        ::MsiSetPropertyW(hInstall, kReminderProperty, pszRecorded);
    }
    return ERROR_SUCCESS;
}

// The custom action, run before InstallValidate at every install, upgrade,
// repair and removal. It never fails the installation, and ends only a copy
// that it asked: one that it could not ask keeps its file in use, which
// Windows Installer then replaces at the next restart.
extern "C" __declspec(dllexport) UINT __stdcall CloseRunningZapwick(MSIHANDLE hInstall) {
    wchar_t folder[MAX_PATH], program[MAX_PATH];
    if (!ProgramPath(hInstall, folder, program)) return ERROR_SUCCESS;
    CloseRunningCopies(hInstall, program);
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
        if (StartThroughExplorer(program, folder)) return ERROR_SUCCESS;
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
