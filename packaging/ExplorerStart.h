// Starting a program without the elevation of an installation that runs from
// an elevated prompt: the desktop's Explorer, which runs as the same user
// without it, starts the program through the shell's automation object.
#pragma once

#include <windows.h>

// Whether this process has the administrator's full rights that UAC granted
// (an elevated prompt's), rather than a user's own or no split rights at all.
bool IsElevatedByUac();

// Asks Explorer to start pszProgram in pszFolder; false where there is no
// Explorer to ask, or it refused.
bool StartThroughExplorer(const wchar_t* pszProgram, const wchar_t* pszFolder);
