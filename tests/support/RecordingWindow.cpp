#include "RecordingWindow.h"

#include <algorithm>
#include <cstdio>

std::vector<RecordedMessage> RecordingClass::s_log;
std::vector<UINT> RecordingClass::s_watched;
int RecordingClass::s_nLive = 0;

std::string Describe(const std::vector<RecordedMessage>& messages) {
    std::string text;
    char line[96];
    for (const RecordedMessage& m : messages) {
        std::snprintf(line, sizeof(line), "  { hwnd %p, msg 0x%04x, wParam 0x%lx, lParam 0x%lx }\n",
                      static_cast<void*>(m.hWnd), m.nMsg, static_cast<unsigned long>(m.wParam),
                      static_cast<unsigned long>(m.lParam));
        text += line;
    }
    return text.empty() ? "  (nothing)\n" : text;
}

RecordingClass::RecordingClass(const char* pszClassName, std::vector<UINT> watched)
    : m_name(pszClassName) {
    if (s_nLive++ == 0) {
        s_log.clear();
        s_watched.clear();
    }
    s_watched.insert(s_watched.end(), watched.begin(), watched.end());
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &Proc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = m_name.c_str();
    ::RegisterClassA(&wc);
}

RecordingClass::~RecordingClass() {
    for (HWND hWnd : m_windows) ::DestroyWindow(hWnd);
    ::UnregisterClassA(m_name.c_str(), ::GetModuleHandleA(nullptr));
    if (--s_nLive == 0) s_log.clear();
}

HWND RecordingClass::Create(DWORD dwStyle, DWORD dwExStyle, HWND hParent, const char* pszTitle) {
    HWND hWnd = ::CreateWindowExA(dwExStyle, m_name.c_str(), pszTitle, dwStyle, 10, 10, 200, 150,
                                  hParent, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    if (hWnd && !hParent) m_windows.push_back(hWnd);
    return hWnd;
}

size_t RecordingClass::CountFor(HWND hWnd, UINT nMsg) const {
    return std::count_if(s_log.begin(), s_log.end(), [&](const RecordedMessage& m) {
        return m.hWnd == hWnd && m.nMsg == nMsg;
    });
}

LRESULT CALLBACK RecordingClass::Proc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (std::find(s_watched.begin(), s_watched.end(), nMsg) != s_watched.end())
        s_log.push_back({hWnd, nMsg, wParam, lParam});
    if (nMsg == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE) return 0;
    return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
}
