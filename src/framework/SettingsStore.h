// The per-user settings store: HKEY_CURRENT_USER\software\<maker>\<application>,
// one key per section, integers as REG_DWORD values. Every access creates the
// keys on the path that are missing (never a value). Failures are silent: a
// read gives its default, a write FALSE.
#pragma once

#include <windows.h>

UINT ReadSettingInt(LPCSTR pszMaker, LPCSTR pszApplication, LPCSTR pszSection, LPCSTR pszEntry,
                    int nDefault);

BOOL WriteSettingInt(LPCSTR pszMaker, LPCSTR pszApplication, LPCSTR pszSection, LPCSTR pszEntry,
                     int nValue);
