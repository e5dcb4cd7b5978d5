// Stands in for a program that Zapwick starts: it appends its command line to
// "<its own path>.log" and exits. It reads the line as the help viewer does,
// narrow, in the system code page, and writes it in UTF-8. Its path may be one
// that the system code page cannot spell.
#include <windows.h>

#include <cstdio>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    wchar_t szLog[MAX_PATH + 8], szLine[4096];
    char szUtf8[3 * 4096];
    if (!::GetModuleFileNameW(nullptr, szLog, MAX_PATH) ||
        !::MultiByteToWideChar(CP_ACP, 0, ::GetCommandLineA(), -1, szLine, 4096) ||
        !::WideCharToMultiByte(CP_UTF8, 0, szLine, -1, szUtf8, sizeof(szUtf8), nullptr, nullptr))
        return 1;
    FILE* pLog = _wfopen(lstrcatW(szLog, L".log"), L"ab");
    if (!pLog) return 1;
    std::fprintf(pLog, "%s\n", szUtf8);
    return std::fclose(pLog);
}
