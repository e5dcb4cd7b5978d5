// A stand-in for the programs Zapwick starts (hh.exe, Notepad.exe, the web
// browser): it appends its command line to "<its own path>.log" and exits.
// Copied under the name a test needs, beside a copy of zapwick.exe. Its own
// path may be one that the system code page cannot spell.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t szLog[MAX_PATH + 8];
    const DWORD n = ::GetModuleFileNameW(nullptr, szLog, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return 1;
    lstrcatW(szLog, L".log");
    HANDLE hFile = ::CreateFileW(szLog, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_ALWAYS, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return 1;
    const char* pszCommandLine = ::GetCommandLineA();
    DWORD written;
    ::WriteFile(hFile, pszCommandLine, lstrlenA(pszCommandLine), &written, nullptr);
    ::WriteFile(hFile, "\n", 1, &written, nullptr);
    ::CloseHandle(hFile);
    return 0;
}
