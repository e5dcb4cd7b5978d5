// Stands in for a program that Zapwick starts: it appends its command line to
// "<its own path>.log" and exits. Its path may be one that the system code
// page cannot spell.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t szLog[MAX_PATH + 8];
    const DWORD nLength = ::GetModuleFileNameW(nullptr, szLog, MAX_PATH);
    if (nLength == 0 || nLength >= MAX_PATH) return 1;
    lstrcatW(szLog, L".log");
    HANDLE hFile = ::CreateFileW(szLog, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return 1;
    const char* pszCommandLine = ::GetCommandLineA();
    DWORD nWritten;
    ::WriteFile(hFile, pszCommandLine, lstrlenA(pszCommandLine), &nWritten, nullptr);
    ::WriteFile(hFile, "\n", 1, &nWritten, nullptr);
    ::CloseHandle(hFile);
    return 0;
}
