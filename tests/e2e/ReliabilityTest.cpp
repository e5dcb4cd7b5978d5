// The program under abuse, from outside: a storm of stray messages, stored
// values of every odd shape, odd program directories, ending it inside every
// modal loop, and the end of a session.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "MessageBoxes.h"
#include "Pump.h"
#include "RecordingWindow.h"
#include "Registry.h"
#include "WineTray.h"
#include "ZapwickProcess.h"

namespace {

constexpr UINT WM_TRAY_NOTIFY = WM_USER + 500;
constexpr UINT ID_TRAY_EXIT = 32771;
constexpr UINT ID_TRAY_VIEW_LOG = 32776;
constexpr UINT ID_TRAY_CLEAR_LOG = 32777;
constexpr UINT ID_TRAY_HELP = 32779;
constexpr LONGLONG PERIOD = 15552000;
const std::string kSetup = "Software\\Morvane\\Zapwick\\Setup";

// Waits until a running Zapwick has asked a fresh pop-up to close.
bool StillBlocksPopups(RecordingClass& browser) {
    HWND hPopup = browser.Create(WS_POPUP | WS_CAPTION | WS_SYSMENU);
    return PumpUntil([&] { return browser.CountFor(hPopup, WM_SYSCOMMAND) > 0; }, 5000);
}

TEST(ReliabilityTest, SurvivesAStormOfStrayMessages) {
    RecordingClass browser("IEFrame", {WM_SYSCOMMAND});
    ZapwickProcess zapwick;
    ASSERT_TRUE(zapwick.WaitUntilReady());
    const HWND targets[] = {zapwick.Frame(), zapwick.TrayWindow(), zapwick.StatusDialog()};
    ASSERT_TRUE(targets[0] && targets[1] && targets[2]);

    // Commands that end the program, open a modal box or start a program are
    // left out; everything else goes.
    const std::vector<UINT> excluded = {ID_TRAY_EXIT, 32772, 32774, ID_TRAY_VIEW_LOG,
                                        ID_TRAY_HELP, 1008,  0xE140};
    std::mt19937 random(20261206);
    auto pick = [&](UINT lo, UINT hi) {
        return std::uniform_int_distribution<UINT>(lo, hi)(random);
    };
    const UINT mouse[] = {WM_MOUSEMOVE,   WM_LBUTTONDOWN,
                          WM_LBUTTONUP,   WM_LBUTTONDBLCLK,
                          WM_RBUTTONDOWN, WM_RBUTTONUP,
                          WM_MBUTTONUP,   WM_CONTEXTMENU,
                          0x400,          0};

    int nPosted = 0;
    for (int i = 0; i < 20000; ++i) {
        {
            HWND hTarget = targets[pick(0, 2)];
            UINT nMsg = 0;
            WPARAM wParam = 0;
            LPARAM lParam = 0;
            switch (pick(0, 4)) {
                case 0: {  // the shell's notification, any icon, any mouse value
                    nMsg = WM_TRAY_NOTIFY;
                    wParam = pick(0, 3) == 0 ? pick(0, 0xFFFF) : 100;
                    lParam = mouse[pick(0, 9)];
                    if (wParam == 100 && lParam == WM_RBUTTONUP)
                        lParam = WM_RBUTTONDOWN;  // no menu
                    break;
                }
                case 1:
                    nMsg = WM_TIMER;
                    wParam = pick(0, 3) == 0 ? pick(0, 0xFFFFFFF) : pick(0, 8);
                    break;
                case 2:
                    nMsg = WM_USER + pick(0, 0x7BFF);
                    if (nMsg == WM_TRAY_NOTIFY) nMsg = WM_USER;
                    wParam = random();
                    lParam = static_cast<LPARAM>(random());
                    break;
                case 3:
                    nMsg = WM_APP + pick(0, 0x3FFF);
                    wParam = random();
                    lParam = static_cast<LPARAM>(random());
                    break;
                default: {
                    nMsg = WM_COMMAND;
                    UINT nId;
                    do nId = pick(0, 0xFFFF);
                    while (std::find(excluded.begin(), excluded.end(), nId) != excluded.end());
                    wParam = MAKEWPARAM(nId, pick(0, 3) == 0 ? pick(0, 0xFFFF) : 0);
                    break;
                }
            }
            nPosted += ::PostMessageA(hTarget, nMsg, wParam, lParam) != FALSE;
        }
    }
    EXPECT_GE(nPosted, 20000);
    EXPECT_EQ(::WaitForSingleObject(zapwick.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(StillBlocksPopups(browser));
    EXPECT_TRUE(zapwick.ClosesCleanly());
}

TEST(ReliabilityTest, OddStoredReminderTimesGiveTheirOutcomeAndNoCrash) {
    const DWORD recent = static_cast<DWORD>(UnixTimeNow() - 1000);
    const BYTE* r = reinterpret_cast<const BYTE*>(&recent);
    struct Case {
        const char* what;
        RegValue stored;
        bool asks;
    } cases[] = {
        {"recent dword", RegValue::Dword(recent), false},
        {"recent, as binary", RegValue::Raw(REG_BINARY, {r[0], r[1], r[2], r[3]}), false},
        {"0", RegValue::Dword(0), true},
        {"-1, a second before 1970", RegValue::Dword(0xFFFFFFFF), true},
        {"INT_MIN, nearer as 2038", RegValue::Dword(0x80000000), false},
        {"empty, reads as 0", RegValue::Raw(REG_DWORD, {}), true},
        {"3 bytes, a time in 1970", RegValue::Raw(REG_BINARY, {1, 2, 3}), true},
        {"a short string, a time in 1970", RegValue::Raw(REG_SZ, {'a', 'b', 'c', 0}), true},
        {"5 bytes: first use", RegValue::Raw(REG_BINARY, {1, 2, 3, 4, 5}), false},
        {"a qword: first use", RegValue::Raw(REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}), false},
        {"300 bytes: first use", RegValue::Raw(REG_BINARY, std::vector<BYTE>(300, 0x41)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane");
        WriteRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update", c.stored);
        ZapwickProcess zapwick;
        ASSERT_TRUE(zapwick.WaitUntilReady());
        HWND hDlg = zapwick.StatusDialog();
        ::ShowWindow(hDlg, SW_SHOW);
        ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (c.asks) {
            HWND hBox = WaitForMessageBox(zapwick.Pid(), "Update the program");
            ASSERT_NE(hBox, nullptr);
            AnswerMessageBox(hBox, IDNO);
        }
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); }));
        EXPECT_EQ(FindProcessWindows(zapwick.Pid(), "#32770", "Update the program").size(), 0u);
        const RegValue after = ReadRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update");
        if (c.asks || c.stored.data.size() > 4) {
            ASSERT_EQ(after.type, static_cast<DWORD>(REG_DWORD)) << "restarted";
            EXPECT_GE(*reinterpret_cast<const int*>(after.data.data()), UnixTimeNow() - 60);
        } else {
            EXPECT_EQ(after, c.stored) << "untouched";
        }
        EXPECT_TRUE(zapwick.ClosesCleanly());
    }
    DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane");
}

// A copy of zapwick.exe in a directory of the test's choosing, with recorder
// programs as hh.exe and Notepad.exe beside it.
class CopiedZapwick {
public:
    explicit CopiedZapwick(const std::wstring& dir) : m_dir(dir) {
        ::CreateDirectoryW(m_dir.c_str(), nullptr);
        m_bCopied = Copy(ZapwickExePath(), L"zapwick.exe") &&
                    Copy(TestBinDir() + "recorder.exe", L"hh.exe") &&
                    Copy(TestBinDir() + "recorder.exe", L"Notepad.exe");
    }
    ~CopiedZapwick() {
        for (const wchar_t* name : {L"zapwick.exe", L"hh.exe", L"Notepad.exe", L"hh.exe.log",
                                    L"Notepad.exe.log", L"zapwick_log.txt"})
            ::DeleteFileW(Path(name).c_str());
        ::RemoveDirectoryW(m_dir.c_str());
    }
    bool Copied() const { return m_bCopied; }
    std::wstring Path(const wchar_t* name) const { return m_dir + L"\\" + name; }
    bool Exists(const wchar_t* name) const {
        return ::GetFileAttributesW(Path(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    bool Copy(const std::string& from, const wchar_t* name) {
        const std::wstring wfrom(from.begin(), from.end());
        return ::CopyFileW(wfrom.c_str(), Path(name).c_str(), FALSE) != FALSE;
    }
    std::wstring m_dir;
    bool m_bCopied = false;
};

size_t CountLines(const std::wstring& path) {
    std::ifstream in(path.c_str());
    size_t n = 0;
    for (std::string line; std::getline(in, line);) ++n;
    return n;
}

std::wstring PadTo(std::wstring path, size_t nLength) {
    path.resize(nLength, L'x');
    return path;
}

std::wstring TempDirW() {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    return temp;
}

TEST(ReliabilityTest, OddProgramDirectoriesNeverBreakHelpViewOrClear) {
    struct Case {
        const char* what;
        std::wstring dir;
        bool bLogUsable;  // whether the log path fits the path buffer
    } cases[] = {
        // The longest directory a program can still be started from: its
        // path and "\\zapwick.exe" just fit MAX_PATH, the log's path does not.
        {"247 characters", PadTo(TempDirW() + L"long", MAX_PATH - 1 - 12), false},
        {"blanks", TempDirW() + L"odd dir with  blanks", true},
        // Not in the system code page: the program sees "?" in its own path.
        {"double-byte characters", TempDirW() + L"\x65E5\x672C\x8A9E\x8868", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CopiedZapwick copy(c.dir);
        ASSERT_TRUE(copy.Copied());
        { std::ofstream(copy.Path(L"zapwick_log.txt").c_str()) << "log\n"; }
        ZapwickProcess zapwick(copy.Path(L"zapwick.exe"));
        ASSERT_TRUE(zapwick.WaitUntilReady());
        HWND hTray = zapwick.TrayWindow();

        // Help before and after Clear: once the second has started its
        // viewer, Clear has been handled too.
        ::PostMessageA(hTray, WM_COMMAND, ID_TRAY_HELP, 0);
        ::PostMessageA(hTray, WM_COMMAND, ID_TRAY_CLEAR_LOG, 0);
        ::PostMessageA(hTray, WM_COMMAND, ID_TRAY_HELP, 0);
        ASSERT_TRUE(PumpUntil([&] { return CountLines(copy.Path(L"hh.exe.log")) == 2; }))
            << "Help starts the viewer beside the program";
        if (c.bLogUsable) {
            EXPECT_FALSE(copy.Exists(L"zapwick_log.txt")) << "Clear deletes the log";
        } else {
            EXPECT_TRUE(copy.Exists(L"zapwick_log.txt")) << "a log it cannot name is never deleted";
            ::PostMessageA(hTray, WM_COMMAND, ID_TRAY_VIEW_LOG, 0);
            HWND hBox = WaitForMessageBox(zapwick.Pid(), "Zapwick");
            ASSERT_NE(hBox, nullptr);
            EXPECT_EQ(MessageBoxText(hBox), "The log file is empty!");
            AnswerMessageBox(hBox, IDOK);
        }
        EXPECT_TRUE(zapwick.ClosesCleanly());
    }
}

TEST(ReliabilityTest, EndingTheProgramInsideEveryModalLoop) {
    struct Case {
        const char* what;
        std::function<void(ZapwickProcess&)> open;
        const char* pszWindowClass;
        const char* pszCaption;
    } cases[] = {
        {"the tray menu",
         [](ZapwickProcess& z) {
             ::PostMessageA(z.TrayWindow(), WM_TRAY_NOTIFY, 100, WM_RBUTTONUP);
         },
         "#32768", nullptr},
        {"the About box",
         [](ZapwickProcess& z) { ::PostMessageA(z.TrayWindow(), WM_COMMAND, 32774, 0); }, "#32770",
         "About Zapwick"},
        {"the reminder's question",
         [](ZapwickProcess& z) {
             ::ShowWindow(z.StatusDialog(), SW_SHOW);
             ::PostMessageA(z.StatusDialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
         },
         "#32770", "Update the program"},
        {"the empty log box",
         [](ZapwickProcess& z) { ::PostMessageA(z.TrayWindow(), WM_COMMAND, ID_TRAY_VIEW_LOG, 0); },
         "#32770", "Zapwick"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update",
                      RegValue::Dword(static_cast<DWORD>(UnixTimeNow() - 2 * PERIOD)));
        ZapwickProcess zapwick;
        ASSERT_TRUE(zapwick.WaitUntilReady());
        HWND hFrame = zapwick.Frame();
        c.open(zapwick);
        ASSERT_TRUE(PumpUntil([&] {
            for (HWND h : FindProcessWindows(zapwick.Pid(), c.pszWindowClass, c.pszCaption))
                if (::IsWindowVisible(h)) return true;
            return false;
        })) << "the modal loop is running";
        ::PostMessageA(hFrame, WM_CLOSE, 0, 0);
        EXPECT_TRUE(zapwick.ExitsCleanly());
    }
    DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane");
}

TEST(ReliabilityTest, TheEndOfASessionEndsItWithoutRemovingItsIcon) {
    const std::vector<HWND> before = TrayIconWindows();
    ZapwickProcess zapwick;
    ASSERT_TRUE(zapwick.WaitUntilReady());
    HWND hIcon = nullptr;
    ASSERT_TRUE(
        PumpUntil([&] { return (hIcon = NewTrayIcon(before, TrayIconWindows())) != nullptr; }));

    // Every window of the program lets the session end.
    for (HWND hWnd : FindProcessWindows(zapwick.Pid(), nullptr)) {
        DWORD_PTR answer = 0;
        ASSERT_TRUE(
            ::SendMessageTimeoutA(hWnd, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer));
        EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    }

    // The session ends: nothing is destroyed and the icon stays; Windows
    // ends the process right after.
    for (HWND hWnd : FindProcessWindows(zapwick.Pid(), nullptr)) {
        DWORD_PTR answer = 0;
        ASSERT_TRUE(
            ::SendMessageTimeoutA(hWnd, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, &answer));
    }
    EXPECT_TRUE(::IsWindow(zapwick.Frame()));
    EXPECT_TRUE(::IsWindow(zapwick.TrayWindow()));
    EXPECT_TRUE(::IsWindow(zapwick.StatusDialog()));
    EXPECT_TRUE(::IsWindow(hIcon)) << "no delete request was sent";
    EXPECT_EQ(::WaitForSingleObject(zapwick.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));

    // Wine's log-off: the same messages again, then the process is ended.
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    char cmd[] = "wineboot.exe --end-session";
    ASSERT_TRUE(
        ::CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    EXPECT_TRUE(zapwick.ExitsCleanly(15000));
    EXPECT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0; }));
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

}  // namespace
