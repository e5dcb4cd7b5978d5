// Stands in for a program that Zapwick starts: it appends its command line to
// "<its own path>.log" and exits. Its path may be one that the system code
// page cannot spell.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t szLog[MAX_PATH + 8];
    if (!::GetModuleFileNameW(nullptr, szLog, MAX_PATH)) return 1;
    FILE* pLog = _wfopen(lstrcatW(szLog, L".log"), L"ab");
    if (!pLog) return 1;
    std::fprintf(pLog, "%s\n", ::GetCommandLineA());
    return std::fclose(pLog);
}
