#include "SettingsStore.h"

#include <initializer_list>

namespace {

// Opens (creating where missing) software\maker\application\section, closing
// each parent as soon as its child is open; null if any step fails.
HKEY OpenSectionKey(LPCSTR pszMaker, LPCSTR pszApplication, LPCSTR pszSection) {
    HKEY hKey = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "software", 0, KEY_READ | KEY_WRITE, &hKey) !=
        ERROR_SUCCESS)
        return nullptr;
    for (LPCSTR pszChild : {pszMaker, pszApplication, pszSection}) {
        HKEY hChild = nullptr;
        DWORD dwDisposition;
        const LONG lResult =
            ::RegCreateKeyExA(hKey, pszChild, 0, nullptr, REG_OPTION_NON_VOLATILE,
                              KEY_READ | KEY_WRITE, nullptr, &hChild, &dwDisposition);
        ::RegCloseKey(hKey);
        if (lResult != ERROR_SUCCESS) return nullptr;
        hKey = hChild;
    }
    return hKey;
}

}  // namespace

UINT ReadSettingInt(LPCSTR pszMaker, LPCSTR pszApplication, LPCSTR pszSection, LPCSTR pszEntry,
                    int nDefault) {
    HKEY hSection = OpenSectionKey(pszMaker, pszApplication, pszSection);
    if (!hSection) return static_cast<UINT>(nDefault);
    // Whatever the value's type, its first four bytes are the number; a
    // shorter value leaves the rest zero rather than undefined.
    DWORD dwValue = 0;
    DWORD dwType;
    DWORD cbValue = sizeof(dwValue);
    const LONG lResult = ::RegQueryValueExA(hSection, pszEntry, nullptr, &dwType,
                                            reinterpret_cast<BYTE*>(&dwValue), &cbValue);
    ::RegCloseKey(hSection);
    return lResult == ERROR_SUCCESS ? dwValue : static_cast<UINT>(nDefault);
}

BOOL WriteSettingInt(LPCSTR pszMaker, LPCSTR pszApplication, LPCSTR pszSection, LPCSTR pszEntry,
                     int nValue) {
    HKEY hSection = OpenSectionKey(pszMaker, pszApplication, pszSection);
    if (!hSection) return FALSE;
    const LONG lResult = ::RegSetValueExA(hSection, pszEntry, 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&nValue), sizeof(nValue));
    ::RegCloseKey(hSection);
    return lResult == ERROR_SUCCESS;
}
