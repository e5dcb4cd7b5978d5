// The running copies of an installed program: asked to close with the
// messages that Windows sends at log-off, marked as a close for an installer,
// through the Restart Manager where Windows has one (Vista and later: every
// session), else on this desktop; a copy that was asked and did not close is
// ended, one that could not be asked is left running.
#pragma once

#include <windows.h>

#include <msi.h>

// Closes the copies that run pszProgram (a full path), saying in the
// installer's log what became of each; returns once they are gone or left.
void CloseRunningCopies(MSIHANDLE hInstall, const wchar_t* pszProgram);
