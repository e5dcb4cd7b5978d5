#include "AdminSettings.h"

#include <shlwapi.h>

bool ReadRegistryDword(HKEY hRoot, LPCSTR pszKey, REGSAM samView, LPCSTR pszEntry,
                       DWORD* pdwValue) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(hRoot, pszKey, 0, KEY_QUERY_VALUE | samView, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD dwType = REG_NONE, dwValue = 0, cbValue = sizeof(dwValue);
    const LONG lResult = ::RegQueryValueExA(hKey, pszEntry, nullptr, &dwType,
                                            reinterpret_cast<BYTE*>(&dwValue), &cbValue);
    ::RegCloseKey(hKey);
    if (lResult != ERROR_SUCCESS || dwType != REG_DWORD || cbValue != sizeof(dwValue)) return false;
    *pdwValue = dwValue;
    return true;
}

bool ReadAdminSetting(LPCSTR pszMaker, LPCSTR pszApplication, LPCSTR pszEntry, DWORD* pdwValue) {
    char szPolicies[MAX_PATH], szInstallation[MAX_PATH];
    ::wnsprintfA(szPolicies, MAX_PATH, "Software\\Policies\\%s\\%s", pszMaker, pszApplication);
    ::wnsprintfA(szInstallation, MAX_PATH, "Software\\%s\\%s", pszMaker, pszApplication);
    // The machine's Software\Policies, like all of the user's Software, is
    // shared by the 32- and 64-bit views ("Registry Keys Affected by WOW64"):
    // the 64-bit flag changes nothing there, and 32-bit Windows ignores it.
    // The installer writes the machine's Software\Morvane, which is
    // redirected, in the view of the program that it installs: this
    // program's own, hence no flag.
    const struct {
        HKEY hRoot;
        LPCSTR pszKey;
        REGSAM samView;
    } places[] = {
        {HKEY_LOCAL_MACHINE, szPolicies, KEY_WOW64_64KEY},
        {HKEY_CURRENT_USER, szPolicies, KEY_WOW64_64KEY},
        {HKEY_LOCAL_MACHINE, szInstallation, 0},
        {HKEY_CURRENT_USER, szInstallation, 0},
    };
    for (const auto& place : places)
        if (ReadRegistryDword(place.hRoot, place.pszKey, place.samView, pszEntry, pdwValue))
            return true;
    return false;
}
