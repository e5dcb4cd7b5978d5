// A line in the log that Windows Installer writes (msiexec /l*v), from the
// package's own actions.
#pragma once

#include <windows.h>

#include <msi.h>

// Formats as wvsprintfW does, at most 1024 characters.
void Log(MSIHANDLE hInstall, const wchar_t* pszFormat, ...);
