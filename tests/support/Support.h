// What the tests share: waiting with a deadline, a zapwick.exe driven from
// outside, the windows of a process, Wine's tray, the registry, recorder
// programs standing in for those Zapwick starts, and windows that record the
// requests to close them. No wait here sleeps blindly: each ends as soon as
// its condition holds. Every test runs in a process of its own, so what one
// makes in this process goes with it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "res/MakerSite.h"
#include "res/WindowNames.h"
#include "res/resource.h"

constexpr LONGLONG REMINDER_PERIOD = 180LL * 24 * 60 * 60;
constexpr DWORD POPUP_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;  // no sizing border
constexpr int MSGBOX_TEXT = 0xFFFF;  // the control of a message box that holds its text
inline const std::string SETUP_KEY = "Software\\Morvane\\Zapwick\\Setup";

// Dispatches the messages queued for this thread.
inline void PumpPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
}

// Serves this thread's messages until pred() holds or timeoutMs have passed.
inline bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000) {
    for (const DWORD start = ::GetTickCount();;) {
        PumpPending();
        if (pred()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// The directory of the tests and zapwick.exe, with a backslash.
inline std::wstring BinDir() {
    wchar_t path[MAX_PATH];
    std::wstring dir(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
    return dir.substr(0, dir.rfind(L'\\') + 1);
}

// The text as a program reads it in the system code page.
inline std::string Narrow(const std::wstring& text) {
    std::string narrow(text.size() * 2, '\0');
    narrow.resize(::WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()),
                                        &narrow[0], static_cast<int>(narrow.size()), nullptr,
                                        nullptr));
    return narrow;
}

inline std::string TextOf(HWND hWnd) {
    char text[512] = {};
    ::GetWindowTextA(hWnd, text, sizeof(text));
    return text;
}

// Top-level windows of process pid in z-order, of this class and title if given.
inline std::vector<HWND> WindowsOf(DWORD pid, const char* pszClass = nullptr,
                                   const char* pszTitle = nullptr, bool bVisibleOnly = false) {
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

// The first visible one, waiting up to timeoutMs for it to come; null if none did.
inline HWND WaitForWindow(DWORD pid, const char* pszClass, const char* pszTitle,
                          DWORD timeoutMs = 10000) {
    std::vector<HWND> found;
    PumpUntil([&] { return !(found = WindowsOf(pid, pszClass, pszTitle, true)).empty(); },
              timeoutMs);
    return found.empty() ? nullptr : found.front();
}

inline bool BoxHasIcon(HWND hBox) {
    return ::SendMessageA(::GetDlgItem(hBox, 1088), STM_GETICON, 0, 0) != 0;
}

// A click on button nId of a dialog or message box.
inline void ClickButton(HWND hDlg, int nId) {
    ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hDlg, nId)));
}

// A zapwick.exe started from outside; one still running at the end is killed.
class Zapwick {
public:
    explicit Zapwick(const std::wstring& exe = BinDir() + L"zapwick.exe",
                     const std::wstring& currentDir = L"") {
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        ::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr,
                         currentDir.empty() ? nullptr : currentDir.c_str(), &si, &m_pi);
    }
    ~Zapwick() {
        if (m_pi.hProcess && Running()) ::TerminateProcess(m_pi.hProcess, 99);
        ::WaitForSingleObject(m_pi.hProcess, 5000);
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
    }
    DWORD Pid() const { return m_pi.dwProcessId; }
    bool Running() const { return ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }
    bool Ready() {
        return PumpUntil([this] { return Frame() && Tray() && Dialog(); });
    }
    HWND Frame() const { return Window(nullptr, MAIN_FRAME_TITLE); }
    HWND Tray() const { return Window(nullptr, TRAY_WINDOW_TITLE); }
    HWND Dialog() const { return Window("#32770", "Zapwick", IDC_EXIT); }  // the status dialog
    HWND Focus() const {  // the window that has its keyboard focus
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ::GetGUIThreadInfo(m_pi.dwThreadId, &info);
        return info.hwndFocus;
    }
    void TrayCommand(UINT nId) const { ::PostMessageA(Tray(), WM_COMMAND, nId, 0); }
    // Success when it ends by itself within the time, with exit code 0.
    ::testing::AssertionResult ExitsCleanly() {
        DWORD code = STILL_ACTIVE;
        PumpUntil(
            [&] { return ::GetExitCodeProcess(m_pi.hProcess, &code) && code != STILL_ACTIVE; },
            10000);
        if (code == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << (code == STILL_ACTIVE ? "still running" : "exit code ") << code;
    }
    // The same after WM_CLOSE to its main frame, as another program may send.
    ::testing::AssertionResult Closes() {
        ::PostMessageA(Frame(), WM_CLOSE, 0, 0);
        return ExitsCleanly();
    }

private:
    HWND Window(const char* pszClass, const char* pszTitle, int nChild = 0) const {
        // The empty-log box has the status dialog's class and caption, not its buttons.
        for (HWND hWnd : WindowsOf(Pid(), pszClass, pszTitle))
            if (!nChild || ::GetDlgItem(hWnd, nChild)) return hWnd;
        return nullptr;
    }
    PROCESS_INFORMATION m_pi = {};
};

// Wine's notification area on a display without a tray: each icon is a child
// window of a top-level "__winex11_standalone_tray"; mouse messages posted to
// it reach the icon's owner as its callback message.
inline std::vector<HWND> TrayIcons() {
    std::vector<HWND> icons;
    for (HWND hTray = nullptr;
         (hTray = ::FindWindowExA(nullptr, hTray, "__winex11_standalone_tray", nullptr));)
        for (HWND hIcon = nullptr;
             (hIcon = ::FindWindowExA(hTray, hIcon, "__winex11_tray_icon", nullptr));)
            icons.push_back(hIcon);
    return icons;
}

inline HWND WaitForNewIcon(const std::vector<HWND>& before) {
    HWND hNew = nullptr;
    PumpUntil([&] {
        for (HWND hIcon : TrayIcons())
            if (std::find(before.begin(), before.end(), hIcon) == before.end()) hNew = hIcon;
        return hNew != nullptr;
    });
    return hNew;
}

// Press and release; for a double click, the second press and release.
inline void ClickIcon(HWND hIcon, bool bRight = false, bool bDouble = false) {
    const UINT down = bRight ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    for (UINT nMsg : {down, down + 1, down + 2, down + 1})
        if (bDouble || nMsg != down + 2) ::PostMessageA(hIcon, nMsg, 0, MAKELPARAM(8, 8));
}

// Whether the screen shows a picture there rather than a blank slot. (The
// icon window's own device context always reads blank.)
inline bool HasPicture(HWND hIcon) {
    RECT rc;
    ::GetWindowRect(hIcon, &rc);
    HDC hdc = ::GetDC(nullptr);
    std::set<COLORREF> colours;
    for (LONG y = rc.top; y < rc.bottom; ++y)
        for (LONG x = rc.left; x < rc.right; ++x) colours.insert(::GetPixel(hdc, x, y));
    ::ReleaseDC(nullptr, hdc);
    return colours.size() > 2;
}

// The tip that the tray shows once the mouse rests on an icon.
inline std::string IconTip(HWND hIcon) {
    RECT rc;
    ::GetWindowRect(hIcon, &rc);
    ::SetCursorPos((rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    ::PostMessageA(hIcon, WM_MOUSEMOVE, 0, MAKELPARAM(8, 8));
    char text[128] = {};
    PumpUntil([&] {
        HWND hTip = ::FindWindowA("tooltips_class32", nullptr);
        return ::IsWindowVisible(hTip) &&
               ::SendMessageA(hTip, WM_GETTEXT, sizeof(text), LPARAM(text));
    });
    return text;
}

// A registry value's type and bytes; REG_NONE for a value that is absent.
using RegValue = std::pair<DWORD, std::vector<BYTE>>;

inline RegValue RegDword(DWORD dwValue) {
    return {REG_DWORD,
            {BYTE(dwValue), BYTE(dwValue >> 8), BYTE(dwValue >> 16), BYTE(dwValue >> 24)}};
}

inline RegValue ReadValue(HKEY hRoot, const std::string& key, const char* pszName) {
    RegValue value;
    DWORD cb = 0;
    if (::SHGetValueA(hRoot, key.c_str(), pszName, &value.first, nullptr, &cb)) return {};
    value.second.resize(cb);
    ::SHGetValueA(hRoot, key.c_str(), pszName, nullptr, value.second.data(), &cb);
    return value;
}

// Creates the key if needed; a value that is absent is deleted.
inline void WriteValue(HKEY hRoot, const std::string& key, const char* pszName,
                       const RegValue& value) {
    if (value.first == REG_NONE)
        ::SHDeleteValueA(hRoot, key.c_str(), pszName);
    else
        ::SHSetValueA(hRoot, key.c_str(), pszName, value.first, value.second.data(),
                      static_cast<DWORD>(value.second.size()));
}

// Whether the reminder's period was restarted at `since` or later.
inline bool RestartedSince(LONGLONG since) {
    const RegValue value = ReadValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update");
    if (value.first != REG_DWORD || value.second.size() != 4) return false;
    const LONGLONG t = *reinterpret_cast<const int*>(value.second.data());
    return t >= since && t <= std::time(nullptr);
}

// A directory of the test's own, deleted at the end with what tests put there.
struct ScratchDir {
    explicit ScratchDir(const std::wstring& path) : m_path(path) {
        ::CreateDirectoryW(path.c_str(), nullptr);
    }
    ~ScratchDir() {
        for (const wchar_t* pszName : {L"zapwick.exe", L"zapwick_log.txt", L"hh.exe", L"hh.exe.log",
                                       L"Notepad.exe", L"Notepad.exe.log"}) {
            ::SetFileAttributesW((*this / pszName).c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW((*this / pszName).c_str());
        }
        ::RemoveDirectoryW(m_path.c_str());
    }
    std::wstring operator/(const wchar_t* pszName) const { return m_path + L"\\" + pszName; }
    const std::wstring m_path;
};

// The recorder program copied to path: run, it appends its command line to
// path + ".log".
inline bool PlantRecorder(const std::wstring& path) {
    return ::CopyFileW((BinDir() + L"recorder.exe").c_str(), path.c_str(), FALSE);
}

inline std::vector<std::string> RecordedRuns(const std::wstring& path) {
    std::ifstream in((path + L".log").c_str());
    std::vector<std::string> runs;
    for (std::string line; std::getline(in, line);) runs.push_back(line);
    return runs;
}

// While it lives: recorders in place of the system's hh.exe and notepad.exe,
// and as the browser that opens http addresses a recorder, or a program that
// does not exist.
struct Recorders {
    explicit Recorders(bool bBrowser = true) {
        wchar_t dir[MAX_PATH];
        m_hh = std::wstring(dir, ::GetSystemWindowsDirectoryW(dir, MAX_PATH)) + L"\\hh.exe";
        m_notepad = std::wstring(dir, ::GetSystemDirectoryW(dir, MAX_PATH)) + L"\\notepad.exe";
        for (const std::wstring& path : {m_hh, m_notepad}) {
            // Kept aside only once, should a run have died before putting it back.
            ::CopyFileW(path.c_str(), (path + L".orig").c_str(), TRUE);
            PlantRecorder(path);
            // Else Wine runs its own program of that name, not the file on disk.
            WriteValue(HKEY_CURRENT_USER, OVERRIDES,
                       Narrow(path.substr(path.rfind(L'\\') + 1)).c_str(),
                       {REG_SZ, {'n', 'a', 't', 'i', 'v', 'e', 0}});
        }
        for (const std::wstring& path : {m_hh, m_notepad, m_browser})
            ::DeleteFileW((path + L".log").c_str());
        if (bBrowser) PlantRecorder(m_browser);
        const std::string command =
            "\"" + Narrow(m_browser) + (bBrowser ? "" : "-missing") + "\" \"%1\"";
        WriteValue(HKEY_CLASSES_ROOT, HTTP_COMMAND, nullptr,
                   {REG_SZ, {command.begin(), command.end() + 1}});
    }
    ~Recorders() {
        WriteValue(HKEY_CLASSES_ROOT, HTTP_COMMAND, nullptr, m_savedBrowser);
        for (const char* pszName : {"hh.exe", "notepad.exe"})
            WriteValue(HKEY_CURRENT_USER, OVERRIDES, pszName, RegValue());
        for (const std::wstring& path : {m_hh, m_notepad, m_browser}) {
            ::DeleteFileW((path + L".log").c_str());
            ::CopyFileW((path + L".orig").c_str(), path.c_str(), FALSE);
            ::DeleteFileW((path + L".orig").c_str());
        }
        ::DeleteFileW(m_browser.c_str());
    }
    static constexpr const char* HTTP_COMMAND = "http\\shell\\open\\command";
    static constexpr const char* OVERRIDES = "Software\\Wine\\DllOverrides";
    const RegValue m_savedBrowser = ReadValue(HKEY_CLASSES_ROOT, HTTP_COMMAND, nullptr);
    std::wstring m_hh, m_notepad, m_browser = BinDir() + L"browser.exe";
};

// A window of class pszClass that ignores a request to close from its system
// menu and logs when each one came: who was asked, how soon and how often.
inline std::vector<std::pair<HWND, DWORD>> s_closeRequests;

inline LRESULT CALLBACK RecordingProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg != WM_SYSCOMMAND || wParam != SC_CLOSE || lParam != 0)
        return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    s_closeRequests.push_back({hWnd, ::GetTickCount()});
    return 0;
}

inline HWND RecordingWindow(const char* pszClass, DWORD dwStyle, HWND hParent = nullptr) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &RecordingProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = pszClass;
    ::RegisterClassA(&wc);  // once; again it fails harmlessly
    // Away from the top-left corner, where Wine shows its tray.
    return ::CreateWindowExA(0, pszClass, "recorder", dwStyle, 400, 300, 200, 150, hParent, nullptr,
                             wc.hInstance, nullptr);
}

inline std::vector<DWORD> CloseRequests(HWND hWnd) {
    std::vector<DWORD> times;
    for (const auto& request : s_closeRequests)
        if (request.first == hWnd) times.push_back(request.second);
    return times;
}
