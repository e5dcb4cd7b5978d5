// What the tests share: waiting with a deadline, a zapwick.exe driven from
// outside, the windows of a process, Wine's tray, the registry, recorder
// programs standing in for those Zapwick starts, and windows that record the
// requests to close them. No wait here sleeps blindly: each ends as soon as
// its condition holds.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "res/MakerSite.h"
#include "res/WindowNames.h"
#include "res/resource.h"

constexpr LONGLONG REMINDER_PERIOD = 180LL * 24 * 60 * 60;
constexpr DWORD POPUP_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;  // no sizing border
constexpr int MSGBOX_TEXT = 0xFFFF;  // the control of a message box that holds its text
inline const std::string SETUP_KEY = "Software\\Morvane\\Zapwick\\Setup";

// Dispatches this thread's queued messages, keeping a quit message for TakeQuit.
void PumpPending();
// Whether a quit message was pumped since the last call, and its code.
bool TakeQuit(WPARAM* pCode = nullptr);
// Serves this thread's messages until pred() holds or timeoutMs have passed.
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);

std::wstring BinDir();                         // of the tests and zapwick.exe, with a backslash
std::string Narrow(const std::wstring& text);  // as a program reads it in the system code page
inline std::string TextOf(HWND hWnd) {
    char text[512] = {};
    ::GetWindowTextA(hWnd, text, sizeof(text));
    return text;
}
// Top-level windows of process pid in z-order, of this class and title if given.
std::vector<HWND> WindowsOf(DWORD pid, const char* pszClass = nullptr,
                            const char* pszTitle = nullptr, bool bVisibleOnly = false);
// The first visible one, waiting for it to come; null if none did.
HWND WaitForWindow(DWORD pid, const char* pszClass, const char* pszTitle);
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
                     const std::wstring& args = L"", WORD wShow = SW_SHOWNORMAL,
                     const std::wstring& currentDir = L"");
    ~Zapwick();
    DWORD Pid() const { return m_pi.dwProcessId; }
    bool Running() const { return ::WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT; }
    bool Ready();  // start-up over, its windows there
    HWND Frame() const { return Window(nullptr, MAIN_FRAME_TITLE); }
    HWND Tray() const { return Window(nullptr, TRAY_WINDOW_TITLE); }
    HWND Dialog() const { return Window("#32770", "Zapwick", IDC_EXIT); }  // the status dialog
    HWND Focus() const;  // the window that has its keyboard focus
    void PressKey(UINT vk) const;
    void TrayCommand(UINT nId) const { ::PostMessageA(Tray(), WM_COMMAND, nId, 0); }
    // Success when it ends by itself within the time, with exit code 0.
    ::testing::AssertionResult ExitsCleanly();
    // The same after WM_CLOSE to its main frame, as another program may send.
    ::testing::AssertionResult Closes() {
        ::PostMessageA(Frame(), WM_CLOSE, 0, 0);
        return ExitsCleanly();
    }

private:
    HWND Window(const char* pszClass, const char* pszTitle, int nChild = 0) const;
    PROCESS_INFORMATION m_pi = {};
};

// Wine's notification area on a display without a tray: each icon is a child
// window of a top-level "__winex11_standalone_tray"; mouse messages posted to
// it reach the icon's owner as its callback message.
std::vector<HWND> TrayIcons();
HWND WaitForNewIcon(const std::vector<HWND>& before);
void ClickIcon(HWND hIcon, bool bRight = false, bool bDouble = false);
bool HasPicture(HWND hIcon);  // on the screen, rather than a blank slot

struct RegValue {
    bool bExists = false;
    DWORD dwType = REG_NONE;
    std::vector<BYTE> data;
    bool operator==(const RegValue& o) const {
        return bExists == o.bExists && dwType == o.dwType && data == o.data;
    }
};
inline RegValue RegBytes(DWORD dwType, std::vector<BYTE> data) {
    return {true, dwType, std::move(data)};
}
inline RegValue RegDword(DWORD dwValue) {
    return RegBytes(REG_DWORD,
                    {BYTE(dwValue), BYTE(dwValue >> 8), BYTE(dwValue >> 16), BYTE(dwValue >> 24)});
}
RegValue ReadValue(HKEY hRoot, const std::string& key, const char* pszName);
// Creates the key if needed; a value that does not exist is deleted.
void WriteValue(HKEY hRoot, const std::string& key, const char* pszName, const RegValue& value);

inline LONGLONG UnixNow() {
    return std::time(nullptr);
}
inline void StoreTime(LONGLONG t) {
    WriteValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update", RegDword(static_cast<DWORD>(t)));
}
// Whether the reminder's period was restarted at `since` or later.
bool RestartedSince(LONGLONG since);

// A directory of the test's own, deleted with its files at the end.
struct ScratchDir {
    explicit ScratchDir(const std::wstring& path) : m_path(path) {
        ::CreateDirectoryW(path.c_str(), nullptr);
    }
    ~ScratchDir();
    std::wstring operator/(const wchar_t* pszName) const { return m_path + L"\\" + pszName; }
    const std::wstring m_path;
};

// The recorder program copied to path: run, it appends its command line to
// path + ".log".
inline bool PlantRecorder(const std::wstring& path) {
    return ::CopyFileW((BinDir() + L"recorder.exe").c_str(), path.c_str(), FALSE);
}
std::vector<std::string> RecordedRuns(const std::wstring& path);

// While it lives: recorders in place of the system's hh.exe and notepad.exe,
// and as the browser that opens http addresses a recorder, or a program that
// does not exist.
struct Recorders {
    explicit Recorders(bool bBrowser = true);
    ~Recorders();
    std::wstring m_hh, m_notepad, m_browser = BinDir() + L"browser.exe";
    RegValue m_savedBrowser;
};

// Windows that ignore a request to close from their system menu and log when
// each one came: who was asked, how soon and how often.
struct RecordingClass {
    explicit RecordingClass(const char* pszName);
    ~RecordingClass();
    HWND Create(DWORD dwStyle, HWND hParent = nullptr);
    static std::vector<DWORD> Requests(HWND hWnd);
    std::string m_name;
    std::vector<HWND> m_windows;
};
