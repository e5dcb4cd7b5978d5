// The real zapwick.exe driven from outside, as Windows and its user would: the
// process and its windows, clicks on its icon, its message boxes, and
// recorder programs standing in for the programs that it starts.
#pragma once

#include <fstream>

#include "Support.h"
#include "res/MakerSite.h"
#include "res/WindowNames.h"
#include "res/resource.h"
#include "tray/TrayIconWnd.h"

inline const std::string SETUP_KEY = "Software\\Morvane\\Zapwick\\Setup";

// The directory of the tests and zapwick.exe, with a backslash.
inline std::wstring BinDir() {
    wchar_t path[MAX_PATH];
    std::wstring dir(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
    return dir.substr(0, dir.rfind(L'\\') + 1);
}

// The text as a program reads it in the system code page.
inline std::string Narrow(const std::wstring& text) {
    char narrow[2 * MAX_PATH + 1];
    return std::string(narrow, ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), int(text.size()),
                                                     narrow, sizeof(narrow), nullptr, nullptr));
}

inline std::string TextOf(HWND hWnd) {
    char text[512] = {};
    return hWnd && ::GetWindowTextA(hWnd, text, sizeof(text)) ? text : "";
}

// The top-level windows of process pid, of this class and title (null: any),
// the visible ones only if asked.
inline std::vector<HWND> WindowsOf(DWORD pid, const char* pszClass = nullptr,
                                   const char* pszTitle = nullptr, bool bVisibleOnly = false) {
    std::vector<HWND> found;
    for (HWND hWnd = nullptr; (hWnd = ::FindWindowExA(nullptr, hWnd, pszClass, pszTitle));) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hWnd, &owner);
        // The search ignores case; a caption is the program's own text, letter for letter.
        if (owner == pid && (!pszTitle || TextOf(hWnd) == pszTitle) &&
            (!bVisibleOnly || ::IsWindowVisible(hWnd)))
            found.push_back(hWnd);
    }
    return found;
}

// The first visible one, once it has come within 10 s; null if none did.
inline HWND WaitForWindow(DWORD pid, const char* pszClass, const char* pszTitle = nullptr) {
    std::vector<HWND> found;
    PumpUntil([&] { return !(found = WindowsOf(pid, pszClass, pszTitle, true)).empty(); });
    return found.empty() ? nullptr : found.front();
}

// A click on button nId of a dialog or message box, shown or not.
inline void ClickButton(HWND hDlg, int nId) {
    ::PostMessageA(hDlg, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED), LPARAM(::GetDlgItem(hDlg, nId)));
}

// What a message box shows, to compare whole: "text|buttons|icon|owner's title".
inline std::string BoxOf(HWND hBox) {
    std::string box = TextOf(::GetDlgItem(hBox, 0xFFFF)) + "|";
    const std::pair<int, const char*> buttons[] = {{IDOK, "OK "}, {IDYES, "Yes "}, {IDNO, "No "}};
    for (auto [nId, pszName] : buttons)
        if (::IsWindowVisible(::GetDlgItem(hBox, nId))) box += pszName;
    const bool bIcon = ::SendDlgItemMessageA(hBox, 0x0440, STM_GETICON, 0, 0) != 0;
    return box + (bIcon ? "|icon|" : "|no icon|") + TextOf(::GetWindow(hBox, GW_OWNER));
}

// Presses and releases on a tray icon, as the shell reports them.
using Mouse = std::vector<UINT>;
const Mouse kClick = {WM_LBUTTONDOWN, WM_LBUTTONUP}, kRightClick = {WM_RBUTTONDOWN, WM_RBUTTONUP};
const Mouse kDoubleClick = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP};

inline void Click(HWND hIcon, const Mouse& mouse) {
    for (UINT nMsg : mouse) ::PostMessageA(hIcon, nMsg, 0, MAKELPARAM(8, 8));
}

// A zapwick.exe started from outside; one still running at the end is killed.
class Zapwick {
public:
    explicit Zapwick(std::wstring exe = BinDir() + L"zapwick.exe",
                     const wchar_t* pszDir = nullptr) {
        STARTUPINFOW si = {};
        si.cb = sizeof(si);
        std::wstring cmd = L"\"" + exe + L"\"";
        ::CreateProcessW(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, pszDir, &si,
                         &m_pi);
    }
    ~Zapwick() {
        ::TerminateProcess(m_pi.hProcess, 99);  // fails harmlessly once it has ended
        ::WaitForSingleObject(m_pi.hProcess, 5000);
        ::CloseHandle(m_pi.hProcess);
        ::CloseHandle(m_pi.hThread);
    }
    // Once its three windows are there, the status dialog (the only dialog
    // then) with all its buttons.
    bool Ready() {
        return PumpUntil([this] {
            m_hFrame = Named(MAIN_FRAME_TITLE), m_hTray = Named(TRAY_WINDOW_TITLE);
            m_hDialog = Named("Zapwick");
            return m_hFrame && m_hTray && ::GetDlgItem(m_hDialog, ID_TRAY_HELP);
        });
    }
    DWORD Pid() const { return m_pi.dwProcessId; }
    HANDLE Process() const { return m_pi.hProcess; }
    HWND Frame() const { return m_hFrame; }
    HWND Tray() const { return m_hTray; }
    HWND Dialog() const { return m_hDialog; }
    HWND Focus() const {  // the window that has its keyboard focus
        GUITHREADINFO info = {};
        info.cbSize = sizeof(info);
        ::GetGUIThreadInfo(m_pi.dwThreadId, &info);
        return info.hwndFocus;
    }
    void TrayCommand(UINT nId) const { ::PostMessageA(m_hTray, WM_COMMAND, nId, 0); }
    // Success when it ends by itself within the time, with exit code 0.
    ::testing::AssertionResult ExitsCleanly() {
        DWORD code = STILL_ACTIVE;
        PumpUntil([&] { return ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_OBJECT_0; });
        ::GetExitCodeProcess(m_pi.hProcess, &code);
        if (code == 0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "exit code " << code << " (259: still running)";
    }
    // The same after WM_CLOSE to its main frame, as another program may send.
    ::testing::AssertionResult Closes() {
        ::PostMessageA(m_hFrame, WM_CLOSE, 0, 0);
        return ExitsCleanly();
    }

private:
    HWND Named(const char* pszTitle) const {
        const std::vector<HWND> found = WindowsOf(Pid(), nullptr, pszTitle);
        return found.empty() ? nullptr : found.front();
    }
    PROCESS_INFORMATION m_pi = {};
    HWND m_hFrame = nullptr, m_hTray = nullptr, m_hDialog = nullptr;
};

// The recorder program copied to path: run, it appends its command line to
// path + ".log".
inline bool PlantRecorder(const std::wstring& path) {
    ::DeleteFileW((path + L".log").c_str());
    return ::CopyFileW((BinDir() + L"recorder.exe").c_str(), path.c_str(), FALSE);
}

inline std::vector<std::string> RecordedRuns(const std::wstring& path) {
    std::ifstream in((path + L".log").c_str());
    std::vector<std::string> runs;
    for (std::string line; std::getline(in, line);) runs.push_back(line);
    return runs;
}

// While it lives: recorders in place of the system's hh.exe and notepad.exe
// (the prefix is the tests' own, and Wine runs its builtins of those names
// again once the overrides are gone), and as the browser that opens http
// addresses a recorder, or with bBrowser false a program that does not exist.
struct Recorders {
    explicit Recorders(bool bBrowser = true) {
        wchar_t dir[MAX_PATH];
        m_hh = std::wstring(dir, ::GetSystemWindowsDirectoryW(dir, MAX_PATH)) + L"\\hh.exe";
        m_notepad = std::wstring(dir, ::GetSystemDirectoryW(dir, MAX_PATH)) + L"\\notepad.exe";
        for (const std::wstring& path : {m_hh, m_notepad, m_browser}) PlantRecorder(path);
        for (const char* pszName : {"hh.exe", "notepad.exe"})
            WriteValue(HKEY_CURRENT_USER, OVERRIDES, pszName, {REG_SZ, {'n', 0}});
        const std::string command =
            "\"" + Narrow(m_browser) + (bBrowser ? "" : "-missing") + "\" \"%1\"";
        WriteValue(HKEY_CLASSES_ROOT, HTTP_COMMAND, nullptr,
                   {REG_SZ, {command.begin(), command.end() + 1}});
    }
    ~Recorders() {
        WriteValue(HKEY_CLASSES_ROOT, HTTP_COMMAND, nullptr, m_savedBrowser);
        for (const char* pszName : {"hh.exe", "notepad.exe"})
            WriteValue(HKEY_CURRENT_USER, OVERRIDES, pszName, RegValue());
    }
    static constexpr const char* HTTP_COMMAND = "http\\shell\\open\\command";
    static constexpr const char* OVERRIDES = "Software\\Wine\\DllOverrides";
    const RegValue m_savedBrowser = ReadValue(HKEY_CLASSES_ROOT, HTTP_COMMAND, nullptr);
    std::wstring m_hh, m_notepad, m_browser = BinDir() + L"browser.exe";
};
