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
    std::wstring wexePath(exePath.size() + 1, L'\0');
    wexePath.resize(::MultiByteToWideChar(CP_ACP, 0, exePath.c_str(), -1, &wexePath[0],
                                          static_cast<int>(wexePath.size())) -
                    1);
    Start(wexePath, std::wstring(args.begin(), args.end()), wShowWindow);
}

ZapwickProcess::ZapwickProcess(const std::wstring& exePath) {
    Start(exePath, L"", SW_SHOWNORMAL);
}

void ZapwickProcess::Start(const std::wstring& exePath, const std::wstring& args,
                           WORD wShowWindow) {
    std::wstring cmd = L"\"" + exePath + L"\"" + (args.empty() ? L"" : L" " + args);
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = wShowWindow;
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

::testing::AssertionResult ZapwickProcess::ClosesCleanly(DWORD timeoutMs) {
    HWND hFrame = Frame();
    if (!hFrame) return ::testing::AssertionFailure() << "no main frame to close";
    ::PostMessageA(hFrame, WM_CLOSE, 0, 0);
    return ExitsCleanly(timeoutMs);
}

::testing::AssertionResult ZapwickProcess::ExitsCleanly(DWORD timeoutMs) {
    DWORD code = 0;
    if (!WaitForExit(timeoutMs, &code))
        return ::testing::AssertionFailure() << "still running after " << timeoutMs << " ms";
    if (code != 0) return ::testing::AssertionFailure() << "exit code " << code;
    return ::testing::AssertionSuccess();
}
