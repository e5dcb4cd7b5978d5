// What administrators decide for the program, read-only: Group Policy's values
// under Software\Policies\<maker>\<application>, the computer's before the
// user's, then those that the program's installer writes under
// Software\<maker>\<application>, the machine's before the user's. Only a
// REG_DWORD of four bytes counts; any other value is taken as absent, and
// nothing is ever created or written.
#pragma once

#include <windows.h>

// The first of those values named pszEntry into *pdwValue; false if none is set.
bool ReadAdminSetting(LPCSTR pszMaker, LPCSTR pszApplication, LPCSTR pszEntry, DWORD* pdwValue);

// One such value, in the registry view that samView names (0: the program's
// own); false if it is missing, unreadable or not a DWORD. The installer reads
// the switch that it recorded with it too.
bool ReadRegistryDword(HKEY hRoot, LPCSTR pszKey, REGSAM samView, LPCSTR pszEntry, DWORD* pdwValue);
