#include "HelpCommands.h"

#include <string.h>

#include "framework/WinApp.h"

namespace {

// The log's path as the platform calls want it, in a MAX_PATH buffer. A path
// that does not fit is never cut or overrun: it counts as no log at all.
bool GetLogFilePathBuffer(char (&szPath)[MAX_PATH]) {
    const CString strPath = GetLogFilePath();
    if (strPath.GetLength() >= MAX_PATH) return false;
    memcpy(szPath, static_cast<LPCSTR>(strPath), strPath.GetLength() + 1);
    return true;
}

// The full path of a program in the folder that pfnGetFolder reports, or
// empty when the folder cannot be read whole.
CString SystemProgramPath(UINT(WINAPI* pfnGetFolder)(LPSTR, UINT), LPCSTR pszFileName) {
    char szFolder[MAX_PATH];
    // A buffer that is too small gets nothing and the size needed comes back.
    const UINT nLength = pfnGetFolder(szFolder, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH) return CString();
    return CString(szFolder, static_cast<int>(nLength)) + "\\" + pszFileName;
}

}  // namespace

CString GetDirectoryPart(LPCSTR pszPath, UINT nCodePage) {
    // Scan forward: only from the start can lead and trail bytes be told apart.
    int nEnd = 0;
    for (int i = 0; pszPath[i]; ++i) {
        if (::IsDBCSLeadByteEx(nCodePage, static_cast<BYTE>(pszPath[i])) && pszPath[i + 1]) {
            ++i;
            continue;
        }
        if (pszPath[i] == '\\') nEnd = i + 1;
    }
    return CString(pszPath, nEnd);
}

CString GetProgramDirectory() {
    CWinApp* pApp = GetApp();
    return GetDirectoryPart(pApp ? pApp->GetHelpFilePath() : "");
}

CString GetLogFilePath() {
    return GetProgramDirectory() + "zapwick_log.txt";
}

void OpenHelp() {
    const CString strCommand =
        CString("hh.exe ") + GetProgramDirectory() + "help.chm::/Introduction.htm";
    StartProgram(SystemProgramPath(&::GetSystemWindowsDirectoryA, "hh.exe"), strCommand,
                 STARTF_USESHOWWINDOW);
}

bool LogFileExists(LPCSTR pszPath) {
    const UINT nPreviousMode = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HANDLE hFile = ::CreateFileA(pszPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    ::SetErrorMode(nPreviousMode);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    ::CloseHandle(hFile);
    return true;
}

void ViewLogFile() {
    char szPath[MAX_PATH];
    if (!GetLogFilePathBuffer(szPath) || !LogFileExists(szPath)) {
        AppMessageBox("The log file is empty!");
        return;
    }
    StartProgram(SystemProgramPath(&::GetSystemDirectoryA, "notepad.exe"),
                 CString("Notepad.exe ") + szPath, 0);
}

void ClearLogFile() {
    char szPath[MAX_PATH];
    if (GetLogFilePathBuffer(szPath) && LogFileExists(szPath)) ::DeleteFileA(szPath);
}

BOOL StartProgram(LPCSTR pszApplication, LPCSTR pszCommandLine, DWORD dwStartFlags) {
    if (!*pszApplication) return FALSE;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = dwStartFlags;
    si.wShowWindow = SW_SHOW;  // read only with STARTF_USESHOWWINDOW
    PROCESS_INFORMATION pi = {};

    // CreateProcessA may write into the command line.
    const size_t nLength = strlen(pszCommandLine);
    char* pszBuffer = new char[nLength + 1];
    memcpy(pszBuffer, pszCommandLine, nLength + 1);
    const BOOL bStarted = ::CreateProcessA(pszApplication, pszBuffer, nullptr, nullptr, FALSE, 0,
                                           nullptr, nullptr, &si, &pi);
    delete[] pszBuffer;
    if (bStarted) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
    }
    return bStarted;
}
