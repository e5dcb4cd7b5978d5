// The real zapwick.exe from outside: pop-ups closed as they appear and a
// storm of stray messages, ending it inside every modal loop, its icon
// through the taskbar's return and the end of a session, and the help and
// log commands wherever it lives.
#include "Support.h"

#include <shellapi.h>

#include <random>
#include <tuple>

#include "tray/TrayIconWnd.h"

namespace {

TEST(PopupTest, NewPopupsAreAskedAtOnceOnlyTheyAndStillAfterAStorm) {
    Zapwick zapwick;
    ASSERT_TRUE(zapwick.Ready());
    // Browser frames, their class in any case. One that loses its sizing border
    // is seen by the scan alone: each request to it marks a tick of the scan,
    // the next one half a second away.
    HWND hTick = RecordingWindow("ieFrame", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ::SetWindowLongA(hTick, GWL_STYLE, ::GetWindowLongA(hTick, GWL_STYLE) & ~WS_THICKFRAME);
    const HWND never[] = {
        RecordingWindow("ieFrame", WS_OVERLAPPEDWINDOW | WS_VISIBLE),
        RecordingWindow("ieFrame", WS_CHILD | WS_VISIBLE, RecordingWindow("Host", WS_POPUP)),
        RecordingWindow("Host", POPUP_STYLE | WS_VISIBLE)};
    for (DWORD dwStyle :
         {POPUP_STYLE | WS_VISIBLE, POPUP_STYLE, POPUP_STYLE | WS_VISIBLE | WS_MINIMIZE}) {
        const size_t nTicks = CloseRequests(hTick).size();
        EXPECT_TRUE(PumpUntil([&] { return CloseRequests(hTick).size() > nTicks; }));
        const DWORD created = ::GetTickCount();
        HWND hPopup = RecordingWindow("ieFrame", dwStyle);
        ASSERT_TRUE(PumpUntil([&] { return !CloseRequests(hPopup).empty(); }));
        EXPECT_LT(CloseRequests(hPopup).front() - created, 150u) << dwStyle;
    }
    for (HWND hWnd : never) EXPECT_TRUE(CloseRequests(hWnd).empty());

    // Stray messages: the shell's notices of any left-button value (a right
    // one opens the menu), timers, commands but those that end the program,
    // open a box or start a program, and anything else without a pointer.
    const HWND targets[] = {zapwick.Frame(), zapwick.Tray(), zapwick.Dialog()};
    const std::set<UINT> excluded = {ID_TRAY_EXIT,     ID_TRAY_WEBSITE, ID_TRAY_ABOUT, ID_APP_ABOUT,
                                     ID_TRAY_VIEW_LOG, ID_TRAY_HELP,    IDC_EXIT};
    std::mt19937 random(20261206);
    for (int i = 0; i < 5000; ++i) {
        const UINT n = random(), nCommand = excluded.count(n % 0x10000) ? 0 : n % 0x10000;
        const UINT nMsg[] = {WM_TRAY_NOTIFY, WM_TIMER, WM_COMMAND, WM_USER + n % 0x7C00};
        const WPARAM wParam[] = {n % 3 ? TRAY_ICON_ID : n, n % 8, nCommand, n};
        const LPARAM lParam[] = {LPARAM(WM_MOUSEFIRST + n % 4), 0, 0, LPARAM(random())};
        ::PostMessageA(targets[i % 3], nMsg[i % 4], wParam[i % 4], lParam[i % 4]);
    }
    HWND hPopup = RecordingWindow("ieFrame", POPUP_STYLE);
    EXPECT_TRUE(PumpUntil([&] { return !CloseRequests(hPopup).empty(); }, 20000));
    EXPECT_TRUE(zapwick.Closes());
}

TEST(ExitTest, EndsCleanlyFromInsideEveryModalLoop) {
    WriteValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update", RegDword(0));  // closing asks
    enum Target { FRAME, TRAY, DIALOG, FOCUS };
    struct Post {
        Target target;
        UINT nMsg;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
    };
    // What opens a loop, the caption of the dialog it shows (none: the menu), what ends it.
    const std::tuple<Post, const char*, Post> cases[] = {
        {{TRAY, WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_RBUTTONUP}, nullptr, {FRAME, WM_CLOSE}},
        {{TRAY, WM_COMMAND, ID_TRAY_ABOUT}, "About Zapwick", {DIALOG, WM_COMMAND, IDC_EXIT}},
        {{DIALOG, WM_SYSCOMMAND, SC_CLOSE}, "Update the program", {TRAY, WM_COMMAND, ID_TRAY_EXIT}},
        {{TRAY, WM_COMMAND, ID_TRAY_VIEW_LOG}, "Zapwick", {FRAME, WM_CLOSE}},
        // No modal loop: a click shows the status dialog, Enter on its Exit button.
        {{TRAY, WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN},
         "Zapwick",
         {FOCUS, WM_KEYDOWN, VK_RETURN}},
    };
    for (const auto& [open, pszTitle, end] : cases) {
        Zapwick zapwick;
        ASSERT_TRUE(zapwick.Ready());
        auto post = [&](const Post& p) {
            const HWND targets[] = {zapwick.Frame(), zapwick.Tray(), zapwick.Dialog(),
                                    zapwick.Focus()};
            ::PostMessageA(targets[p.target], p.nMsg, p.wParam, p.lParam);
        };
        post(open);
        EXPECT_NE(WaitForWindow(zapwick.Pid(), pszTitle ? "#32770" : "#32768", pszTitle), nullptr);
        post(end);
        EXPECT_TRUE(zapwick.ExitsCleanly()) << open.nMsg << " " << end.nMsg;
    }
}

TEST(IconTest, ComesBackWithTheTaskbarAndOnlyAnInstallersCloseAtTheSessionsEndTakesIt) {
    std::vector<HWND> before = TrayIcons();
    Zapwick zapwick;
    ASSERT_TRUE(zapwick.Ready());
    HWND hIcon = WaitForNewIcon(before);
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof(nid), nid.hWnd = zapwick.Tray(), nid.uID = TRAY_ICON_ID;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(hIcon); }));
    before = TrayIcons();
    ::PostMessageA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    hIcon = WaitForNewIcon(before);
    ASSERT_NE(hIcon, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return HasPicture(hIcon); })) << "not a blank slot";
    EXPECT_EQ(IconTip(hIcon), "Zapwick");
    ClickIcon(hIcon);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(zapwick.Dialog()) != FALSE; }));

    // Log-off: every window lets it happen, and nothing is destroyed.
    const std::vector<HWND> windows = WindowsOf(zapwick.Pid());
    for (LPARAM lParam : {LPARAM(0), LPARAM(ENDSESSION_CLOSEAPP)}) {
        for (HWND hWnd : windows) {
            DWORD_PTR answer = 0;
            ::SendMessageTimeoutA(hWnd, WM_QUERYENDSESSION, 0, lParam, SMTO_NORMAL, 5000, &answer);
            EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << TextOf(hWnd);
        }
        for (HWND hWnd : windows)
            ::SendMessageTimeoutA(hWnd, WM_ENDSESSION, TRUE, lParam, SMTO_NORMAL, 5000, nullptr);
        if (lParam) break;
        for (HWND hWnd : windows) EXPECT_TRUE(::IsWindow(hWnd)) << TextOf(hWnd);
        EXPECT_TRUE(::IsWindow(hIcon) && zapwick.Running());
    }
    EXPECT_TRUE(zapwick.ExitsCleanly());
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hIcon); }));
}

TEST(HelpAndLogTest, TheSystemsProgramsWhereverItLivesAndWhateverTheLogsState) {
    Recorders recorders;
    ScratchDir cwd(BinDir() + L"zap cwd");
    std::wstring longDir = BinDir() + L"long";
    longDir.resize(MAX_PATH - 1 - 12, L'x');  // zapwick.exe fits MAX_PATH there, its log not
    // Characters outside the code page read "?": a log there cannot be named either.
    for (const std::wstring& path : {BinDir() + L"zap wick", longDir, BinDir() + L"\x65E5\x672C"}) {
        SCOPED_TRACE(Narrow(path));
        ScratchDir dir(path);
        const bool bNamed = path.back() == L'k';
        for (const ScratchDir* pDir : {&dir, &cwd})
            for (const wchar_t* pszName : {L"hh.exe", L"Notepad.exe"})
                ASSERT_TRUE(PlantRecorder(*pDir / pszName));
        ASSERT_TRUE(::CopyFileW((BinDir() + L"zapwick.exe").c_str(), (dir / L"zapwick.exe").c_str(),
                                FALSE));
        Zapwick zapwick(dir / L"zapwick.exe", cwd.m_path);
        ASSERT_TRUE(zapwick.Ready());
        const size_t nHelp = RecordedRuns(recorders.m_hh).size();
        ClickButton(zapwick.Dialog(), ID_TRAY_HELP);
        ASSERT_TRUE(PumpUntil([&] { return RecordedRuns(recorders.m_hh).size() > nHelp; }));
        EXPECT_EQ(RecordedRuns(recorders.m_hh).back(),
                  "hh.exe " + Narrow(path) + "\\help.chm::/Introduction.htm");

        const std::wstring log = dir / L"zapwick_log.txt";
        constexpr DWORD NORMAL = FILE_ATTRIBUTE_NORMAL, READONLY = FILE_ATTRIBUTE_READONLY;
        // The log: missing (0) or its attributes, another program's handle to it, Clear.
        const std::tuple<const char*, DWORD, DWORD, DWORD, bool> cases[] = {
            {"missing", 0, 0, 0, false},
            {"empty", NORMAL, 0, 0, false},
            {"open elsewhere without read sharing", NORMAL, GENERIC_READ, 0, false},
            {"open elsewhere for writing", NORMAL, GENERIC_WRITE, FILE_SHARE_READ, false},
            {"read-only, cleared", READONLY, 0, 0, true},
            {"cleared", NORMAL, 0, 0, true},
        };
        for (const auto& [pszWhat, dwAttributes, dwAccess, dwShare, bClear] : cases) {
            ::SetFileAttributesW(log.c_str(), NORMAL);
            ::DeleteFileW(log.c_str());
            if (dwAttributes) std::ofstream(log.c_str()).flush();
            ::SetFileAttributesW(log.c_str(), dwAttributes);
            HANDLE hOther = dwAccess ? ::CreateFileW(log.c_str(), dwAccess, dwShare, nullptr,
                                                     OPEN_EXISTING, 0, nullptr)
                                     : nullptr;
            const size_t nNotepad = RecordedRuns(recorders.m_notepad).size();
            if (bClear) zapwick.TrayCommand(ID_TRAY_CLEAR_LOG);
            zapwick.TrayCommand(ID_TRAY_VIEW_LOG);
            // Clear deletes a log it can name unless it is read-only; View shows a log
            // it can name and read.
            const bool bStays = dwAttributes && !(bClear && dwAttributes == NORMAL && bNamed);
            if (bStays && bNamed && !dwAccess) {
                ASSERT_TRUE(PumpUntil([&] {
                    return RecordedRuns(recorders.m_notepad).size() > nNotepad;
                })) << pszWhat;
                EXPECT_EQ(RecordedRuns(recorders.m_notepad).back(), "Notepad.exe " + Narrow(log));
            } else {
                HWND hBox = WaitForWindow(zapwick.Pid(), "#32770", "Zapwick");
                ASSERT_NE(hBox, nullptr) << pszWhat;
                EXPECT_EQ(TextOf(::GetDlgItem(hBox, MSGBOX_TEXT)), "The log file is empty!");
                EXPECT_TRUE(BoxHasIcon(hBox));
                EXPECT_EQ(::GetWindow(hBox, GW_OWNER), zapwick.Frame());
                ClickButton(hBox, IDOK);
                EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hBox); }));
            }
            ::CloseHandle(hOther);
            EXPECT_EQ(::GetFileAttributesW(log.c_str()) != INVALID_FILE_ATTRIBUTES, bStays)
                << pszWhat;
        }
        EXPECT_TRUE(WindowsOf(zapwick.Pid(), "#32770", "Zapwick", true).empty())
            << "Clear says nothing";
        EXPECT_TRUE(zapwick.Closes());
        for (const ScratchDir* pDir : {&dir, &cwd})
            for (const wchar_t* pszName : {L"hh.exe", L"Notepad.exe"})
                EXPECT_TRUE(RecordedRuns(*pDir / pszName).empty()) << "a planted program ran";
    }
}

}  // namespace
