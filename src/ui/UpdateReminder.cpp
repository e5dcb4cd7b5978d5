#include "UpdateReminder.h"

#include <shellapi.h>

#include "framework/WinApp.h"
#include "res/MakerSite.h"

namespace {

constexpr LONGLONG REMINDER_PERIOD_SECONDS = 180LL * 24 * 60 * 60;  // 15552000
constexpr LONGLONG FILETIME_TICKS_PER_SECOND = 10000000;
constexpr LONGLONG FILETIME_OF_1970 = 116444736000000000;  // 1601 to 1970, in ticks

const char s_szSection[] = "Setup";
const char s_szEntry[] = "t_first_update";
const char s_szSwitch[] = "UpdateReminder";  // set by an administrator: 0 is off

// The stored value holds the low 32 bits of the time; the cast keeps them.
void StartPeriod(CWinApp* pApp, LONGLONG now) {
    if (pApp) pApp->WriteProfileInt(s_szSection, s_szEntry, static_cast<int>(now));
}

}  // namespace

LONGLONG CurrentUnixTime() {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    const LONGLONG ticks = (static_cast<LONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return (ticks - FILETIME_OF_1970) / FILETIME_TICKS_PER_SECOND;
}

LONGLONG ExpandStoredTime(DWORD dwStored, LONGLONG now) {
    const auto nOffset = static_cast<int>(dwStored - static_cast<DWORD>(now));
    return now + nOffset;
}

ReminderDecision DecideReminder(DWORD dwStored, LONGLONG now) {
    const LONGLONG stored = ExpandStoredTime(dwStored, now);
    // With nothing stored, the default came back: the low bits of now, which
    // read back as now itself. The two never hold together.
    return {stored == now, stored + REMINDER_PERIOD_SECONDS < now};
}

void RemindToUpdate(LPCSTR pszAddress, int nRestartOnNo) {
    RemindToUpdateAt(pszAddress, nRestartOnNo, CurrentUnixTime());
}

void RemindToUpdateAt(LPCSTR pszAddress, int nRestartOnNo, LONGLONG now) {
    CWinApp* pApp = GetApp();
    // Switched off, the reminder neither asks nor starts or restarts a period.
    // It is read at every close: Group Policy may change it while we run.
    DWORD dwSwitch = 1;
    if (pApp && pApp->GetAdminSetting(s_szSwitch, &dwSwitch) && dwSwitch == 0) return;
    const DWORD dwDefault = static_cast<DWORD>(now);
    const DWORD dwStored =
        pApp ? pApp->GetProfileInt(s_szSection, s_szEntry, static_cast<int>(dwDefault)) : dwDefault;
    const ReminderDecision decision = DecideReminder(dwStored, now);

    if (decision.bFirstUse) StartPeriod(pApp, now);

    if (decision.bDue) {
        const int nAnswer =
            ::MessageBoxA(nullptr, "Do you want to check the lastest version on our website?",
                          "Update the program", MB_YESNO);
        if (nAnswer == IDYES) {
            HINSTANCE hResult =
                ::ShellExecuteA(nullptr, "open", pszAddress, nullptr, nullptr, SW_SHOWNORMAL);
            if (reinterpret_cast<UINT_PTR>(hResult) <= 32) {
                ::MessageBoxA(
                    nullptr,
                    "The Program does not launch your web browser to access " MAKER_HOME_PAGE
                    " ,\nPlease launch your web browser and input the URL manually.",
                    "unknown errors", MB_OK);
            }
            StartPeriod(pApp, now);
        } else if (nRestartOnNo == 1) {
            StartPeriod(pApp, now);
        }
    }
}
