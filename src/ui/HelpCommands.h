// The help and log file commands. They work on files beside the executable:
// "help.chm", opened in the compiled-help viewer, and "zapwick_log.txt",
// shown in Notepad or deleted. The program never writes the log itself. The
// viewer and Notepad are started from the system's own folders, never found by
// name, so that a file of that name beside the program cannot stand in.
#pragma once

#include "framework/String.h"

// The part of path up to and including its last backslash, or "" if it has
// none. A double-byte character whose second byte is 0x5C is not a backslash;
// the code page is the system's unless one is given.
CString GetDirectoryPart(LPCSTR pszPath, UINT nCodePage = CP_ACP);

// The executable's directory with a trailing backslash.
CString GetProgramDirectory();

// The log file's full path.
CString GetLogFilePath();

// Starts the Windows folder's hh.exe on the introduction page; reports nothing.
void OpenHelp();

// Whether the file can be opened for reading, which is what "there is a log"
// means here. Shows no error box for a drive that is not ready.
bool LogFileExists(LPCSTR pszPath);

// Opens the log in the system folder's notepad.exe, or says that there is none.
void ViewLogFile();

// Deletes the log if there is one; says nothing either way.
void ClearLogFile();

// Starts the program at the full path pszApplication with the command line
// given (whose first word names the program again, as the program expects) and
// lets it go at once; TRUE if it was started. dwStartFlags are STARTUPINFOA's
// flags, whose show value is SW_SHOW: STARTF_USESHOWWINDOW has the program show
// its window, 0 leaves that to the program. An empty path starts nothing.
BOOL StartProgram(LPCSTR pszApplication, LPCSTR pszCommandLine, DWORD dwStartFlags);
