#include "Support.h"

#include <shlwapi.h>

#include <algorithm>
#include <fstream>
#include <set>

namespace {

bool s_bQuit = false;
WPARAM s_quitCode = 0;
std::vector<std::pair<HWND, DWORD>> s_closeRequests;

}  // namespace

void PumpPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            s_bQuit = true;
            s_quitCode = msg.wParam;
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

bool TakeQuit(WPARAM* pCode) {
    PumpPending();
    if (pCode && s_bQuit) *pCode = s_quitCode;
    return std::exchange(s_bQuit, false);
}

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    for (const DWORD start = ::GetTickCount();;) {
        PumpPending();
        if (pred()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

std::wstring BinDir() {
    wchar_t path[MAX_PATH];
    std::wstring dir(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
    return dir.substr(0, dir.rfind(L'\\') + 1);
}

std::string Narrow(const std::wstring& text) {
    std::string narrow(text.size() * 2, '\0');
    narrow.resize(::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                        &narrow[0], static_cast<int>(narrow.size()), nullptr,
                                        nullptr));
    return narrow;
}

std::vector<HWND> WindowsOf(DWORD pid, const char* pszClass, const char* pszTitle,
                            bool bVisibleOnly) {
    std::vector<HWND> found;
    for (HWND hWnd = ::GetTopWindow(nullptr); hWnd; hWnd = ::GetWindow(hWnd, GW_HWNDNEXT)) {
        DWORD owner = 0;
        char cls[64] = {};
        ::GetWindowThreadProcessId(hWnd, &owner);
        ::GetClassNameA(hWnd, cls, sizeof(cls));
        if (owner == pid && (!pszClass || lstrcmpA(cls, pszClass) == 0) &&
            (!pszTitle || TextOf(hWnd) == pszTitle) && (!bVisibleOnly || ::IsWindowVisible(hWnd)))
            found.push_back(hWnd);
    }
    return found;
}

HWND WaitForWindow(DWORD pid, const char* pszClass, const char* pszTitle) {
    std::vector<HWND> found;
    PumpUntil([&] { return !(found = WindowsOf(pid, pszClass, pszTitle, true)).empty(); }, 10000);
    return found.empty() ? nullptr : found.front();
}

Zapwick::Zapwick(const std::wstring& exe, const std::wstring& args, WORD wShow,
                 const std::wstring& currentDir) {
    std::wstring cmd = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = wShow;
    ::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                     currentDir.empty() ? nullptr : currentDir.c_str(), &si, &m_pi);
}

Zapwick::~Zapwick() {
    if (m_pi.hProcess && Running()) ::TerminateProcess(m_pi.hProcess, 99);
    ::WaitForSingleObject(m_pi.hProcess, 5000);
    ::CloseHandle(m_pi.hProcess);
    ::CloseHandle(m_pi.hThread);
}

bool Zapwick::Ready() {
    return m_pi.hProcess && ::WaitForInputIdle(m_pi.hProcess, 10000) == 0 &&
           PumpUntil([this] { return Frame() && Tray() && Dialog(); });
}

HWND Zapwick::Window(const char* pszClass, const char* pszTitle, int nChild) const {
    // The empty-log box has the status dialog's class and caption, not its buttons.
    for (HWND hWnd : WindowsOf(Pid(), pszClass, pszTitle))
        if (!nChild || ::GetDlgItem(hWnd, nChild)) return hWnd;
    return nullptr;
}

HWND Zapwick::Focus() const {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    ::GetGUIThreadInfo(m_pi.dwThreadId, &info);
    return info.hwndFocus;
}

void Zapwick::PressKey(UINT vk) const {
    ::PostMessageA(Focus(), WM_KEYDOWN, vk, 1);
    ::PostMessageA(Focus(), WM_KEYUP, vk, 0xC0000001);
}

::testing::AssertionResult Zapwick::ExitsCleanly() {
    DWORD code = 0;
    if (!PumpUntil([this] { return !Running(); }, 10000))
        return ::testing::AssertionFailure() << "still running";
    ::GetExitCodeProcess(m_pi.hProcess, &code);
    if (code != 0) return ::testing::AssertionFailure() << "exit code " << code;
    return ::testing::AssertionSuccess();
}

std::vector<HWND> TrayIcons() {
    std::vector<HWND> icons;
    for (HWND hTray = nullptr;
         (hTray = ::FindWindowExA(nullptr, hTray, "__winex11_standalone_tray", nullptr));)
        for (HWND hIcon = nullptr;
             (hIcon = ::FindWindowExA(hTray, hIcon, "__winex11_tray_icon", nullptr));)
            icons.push_back(hIcon);
    return icons;
}

HWND WaitForNewIcon(const std::vector<HWND>& before) {
    HWND hNew = nullptr;
    PumpUntil([&] {
        for (HWND hIcon : TrayIcons())
            if (std::find(before.begin(), before.end(), hIcon) == before.end()) hNew = hIcon;
        return hNew != nullptr;
    });
    return hNew;
}

void ClickIcon(HWND hIcon, bool bRight, bool bDouble) {
    // Press and release; for a double click, the second press and release.
    const UINT down = bRight ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    for (UINT nMsg : {down, down + 1, down + 2, down + 1})
        if (bDouble || nMsg != down + 2) ::PostMessageA(hIcon, nMsg, 0, MAKELPARAM(8, 8));
}

bool HasPicture(HWND hIcon) {
    // The icon window's own device context always reads blank; the screen's does not.
    RECT rc;
    ::GetWindowRect(hIcon, &rc);
    HDC hdc = ::GetDC(nullptr);
    std::set<COLORREF> colours;
    for (LONG y = rc.top; y < rc.bottom; ++y)
        for (LONG x = rc.left; x < rc.right; ++x) colours.insert(::GetPixel(hdc, x, y));
    ::ReleaseDC(nullptr, hdc);
    return colours.size() > 2;
}

RegValue ReadValue(HKEY hRoot, const std::string& key, const char* pszName) {
    RegValue value;
    HKEY hKey;
    DWORD cb = 0;
    if (::RegOpenKeyExA(hRoot, key.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return value;
    if (::RegQueryValueExA(hKey, pszName, nullptr, &value.dwType, nullptr, &cb) == ERROR_SUCCESS) {
        value.bExists = true;
        value.data.resize(cb);
        ::RegQueryValueExA(hKey, pszName, nullptr, &value.dwType, value.data.data(), &cb);
    }
    ::RegCloseKey(hKey);
    return value;
}

void WriteValue(HKEY hRoot, const std::string& key, const char* pszName, const RegValue& value) {
    HKEY hKey;
    if (::RegCreateKeyExA(hRoot, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                          nullptr) != ERROR_SUCCESS)
        return;
    if (value.bExists)
        ::RegSetValueExA(hKey, pszName, 0, value.dwType, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    else
        ::RegDeleteValueA(hKey, pszName);
    ::RegCloseKey(hKey);
}

bool RestartedSince(LONGLONG since) {
    const RegValue value = ReadValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update");
    if (value.dwType != REG_DWORD || value.data.size() != 4) return false;
    const LONGLONG t = *reinterpret_cast<const int*>(value.data.data());
    return t >= since && t <= UnixNow();
}

ScratchDir::~ScratchDir() {
    WIN32_FIND_DATAW found;
    HANDLE hFind = ::FindFirstFileW((*this / L"*").c_str(), &found);
    for (BOOL bMore = hFind != INVALID_HANDLE_VALUE; bMore;
         bMore = ::FindNextFileW(hFind, &found)) {
        ::SetFileAttributesW((*this / found.cFileName).c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW((*this / found.cFileName).c_str());
    }
    ::FindClose(hFind);
    ::RemoveDirectoryW(m_path.c_str());
}

std::vector<std::string> RecordedRuns(const std::wstring& path) {
    std::ifstream in((path + L".log").c_str());
    std::vector<std::string> runs;
    for (std::string line; std::getline(in, line);) runs.push_back(line);
    return runs;
}

static const char* const HTTP_COMMAND = "http\\shell\\open\\command";
static const char* const DLL_OVERRIDES = "Software\\Wine\\DllOverrides";

Recorders::Recorders(bool bBrowser)
    : m_savedBrowser(ReadValue(HKEY_CLASSES_ROOT, HTTP_COMMAND, nullptr)) {
    wchar_t dir[MAX_PATH];
    m_hh = std::wstring(dir, ::GetSystemWindowsDirectoryW(dir, MAX_PATH)) + L"\\hh.exe";
    m_notepad = std::wstring(dir, ::GetSystemDirectoryW(dir, MAX_PATH)) + L"\\notepad.exe";
    for (const std::wstring& path : {m_hh, m_notepad}) {
        // Kept aside only once, should a run have died before putting it back.
        ::CopyFileW(path.c_str(), (path + L".orig").c_str(), TRUE);
        PlantRecorder(path);
    }
    // Else Wine runs its own program of that name in place of the file on disk.
    for (const char* pszName : {"hh.exe", "notepad.exe"})
        WriteValue(HKEY_CURRENT_USER, DLL_OVERRIDES, pszName,
                   RegBytes(REG_SZ, {'n', 'a', 't', 'i', 'v', 'e', 0}));
    for (const std::wstring& path : {m_hh, m_notepad, m_browser})
        ::DeleteFileW((path + L".log").c_str());
    if (bBrowser) PlantRecorder(m_browser);
    const std::string command =
        "\"" + Narrow(m_browser) + (bBrowser ? "" : "-missing") + "\" \"%1\"";
    WriteValue(HKEY_CLASSES_ROOT, HTTP_COMMAND, nullptr,
               RegBytes(REG_SZ, {command.begin(), command.end() + 1}));
}

Recorders::~Recorders() {
    WriteValue(HKEY_CLASSES_ROOT, HTTP_COMMAND, nullptr, m_savedBrowser);
    for (const char* pszName : {"hh.exe", "notepad.exe"})
        WriteValue(HKEY_CURRENT_USER, DLL_OVERRIDES, pszName, RegValue());
    for (const std::wstring& path : {m_hh, m_notepad, m_browser}) {
        ::DeleteFileW((path + L".log").c_str());
        ::CopyFileW((path + L".orig").c_str(), path.c_str(), FALSE);
        ::DeleteFileW((path + L".orig").c_str());
    }
    ::DeleteFileW(m_browser.c_str());
}

static LRESULT CALLBACK RecordingProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg != WM_SYSCOMMAND || wParam != SC_CLOSE || lParam != 0)
        return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    s_closeRequests.push_back({hWnd, ::GetTickCount()});
    return 0;
}

RecordingClass::RecordingClass(const char* pszName) : m_name(pszName) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &RecordingProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = pszName;
    ::RegisterClassA(&wc);
}

RecordingClass::~RecordingClass() {
    for (HWND hWnd : m_windows) ::DestroyWindow(hWnd);
    ::UnregisterClassA(m_name.c_str(), ::GetModuleHandleA(nullptr));
}

HWND RecordingClass::Create(DWORD dwStyle, HWND hParent) {
    // Away from the top-left corner, where Wine shows its tray.
    m_windows.push_back(::CreateWindowExA(0, m_name.c_str(), "recorder", dwStyle, 400, 300, 200,
                                          150, hParent, nullptr, ::GetModuleHandleA(nullptr),
                                          nullptr));
    return m_windows.back();
}

std::vector<DWORD> RecordingClass::Requests(HWND hWnd) {
    std::vector<DWORD> times;
    for (const auto& request : s_closeRequests)
        if (request.first == hWnd) times.push_back(request.second);
    return times;
}
