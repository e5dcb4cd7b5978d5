#include "ZapwickProcess.h"

#include "Pump.h"

std::string TestBinDir() {
    char path[MAX_PATH * 4];
    DWORD n = ::GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string dir(path, n);
    return dir.substr(0, dir.find_last_of('\\') + 1);
}

std::string ZapwickExePath() {
    return TestBinDir() + "zapwick.exe";
}

namespace {

struct FindRequest {
    DWORD pid;
    const char* pszClass;
    const char* pszTitle;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hWnd, LPARAM lParam) {
    auto* req = reinterpret_cast<FindRequest*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    if (pid != req->pid) return TRUE;
    char text[256];
    if (req->pszClass) {
        ::GetClassNameA(hWnd, text, sizeof(text));
        if (lstrcmpA(text, req->pszClass) != 0) return TRUE;
    }
    if (req->pszTitle) {
        ::GetWindowTextA(hWnd, text, sizeof(text));
        if (lstrcmpA(text, req->pszTitle) != 0) return TRUE;
    }
    req->found.push_back(hWnd);
    return TRUE;
}

}  // namespace

std::vector<HWND> FindProcessWindows(DWORD pid, const char* pszClass, const char* pszTitle) {
    FindRequest req = {pid, pszClass, pszTitle, {}};
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&req));
    return req.found;
}

ZapwickProcess::ZapwickProcess(const std::string& exePath, const std::string& args,
                               WORD wShowWindow) {
    std::string cmd = "\"" + exePath + "\"" + (args.empty() ? "" : " " + args);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = wShowWindow;
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessA(exePath.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &si, &pi)) {
        ::CloseHandle(pi.hThread);
        m_hProcess = pi.hProcess;
        m_pid = pi.dwProcessId;
    }
}

ZapwickProcess::ZapwickProcess(const std::wstring& exePath) {
    std::wstring cmd = L"\"" + exePath + L"\"";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (::CreateProcessW(exePath.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                         &si, &pi)) {
        ::CloseHandle(pi.hThread);
        m_hProcess = pi.hProcess;
        m_pid = pi.dwProcessId;
    }
}

ZapwickProcess::~ZapwickProcess() {
    if (!m_hProcess) return;
    if (::WaitForSingleObject(m_hProcess, 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_hProcess, 99);
        ::WaitForSingleObject(m_hProcess, 5000);
    }
    ::CloseHandle(m_hProcess);
}

bool ZapwickProcess::WaitUntilReady(DWORD timeoutMs) {
    // Idle means start-up is over and the message loop waits for input.
    return Started() && ::WaitForInputIdle(m_hProcess, timeoutMs) == 0 &&
           PumpUntil([this] { return Frame() != nullptr; }, timeoutMs);
}

DWORD ZapwickProcess::GuiThreadId() const {
    HWND hFrame = Frame();
    return hFrame ? ::GetWindowThreadProcessId(hFrame, nullptr) : 0;
}

HWND ZapwickProcess::FocusWindow() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    return ::GetGUIThreadInfo(GuiThreadId(), &info) ? info.hwndFocus : nullptr;
}

void ZapwickProcess::PressKey(UINT vk) const {
    HWND hTarget = FocusWindow();
    ::PostMessageA(hTarget, WM_KEYDOWN, vk, 1);
    ::PostMessageA(hTarget, WM_KEYUP, vk, 0xC0000001);
}

HWND ZapwickProcess::Window(const char* pszClass, const char* pszTitle) const {
    std::vector<HWND> found = FindProcessWindows(m_pid, pszClass, pszTitle);
    return found.empty() ? nullptr : found.front();
}

bool ZapwickProcess::WaitForExit(DWORD timeoutMs, DWORD* pExitCode) {
    if (!m_hProcess) return false;
    const bool ended = PumpUntil(
        [this] { return ::WaitForSingleObject(m_hProcess, 0) == WAIT_OBJECT_0; }, timeoutMs);
    if (ended && pExitCode) ::GetExitCodeProcess(m_hProcess, pExitCode);
    return ended;
}

bool ZapwickProcess::CloseAndWait(DWORD* pExitCode, DWORD timeoutMs) {
    HWND hFrame = Frame();
    return hFrame && ::PostMessageA(hFrame, WM_CLOSE, 0, 0) && WaitForExit(timeoutMs, pExitCode);
}
