// The real zapwick.exe from outside: pop-ups closed as they appear and a
// storm of stray messages, ending it inside every modal loop, its icon
// through the taskbar's return and the end of a session, and the help and
// log commands wherever it lives.
#include "Support.h"

#include <shellapi.h>

#include <fstream>
#include <random>

#include "tray/TrayIconWnd.h"

namespace {

TEST(PopupTest, NewPopupsAreAskedAtOnceOnlyTheyAndStillAfterAStorm) {
    RecordingClass ie("IEFrame"), other("OtherFrame");
    Zapwick zapwick;
    ASSERT_TRUE(zapwick.Ready());
    // A frame that loses its sizing border is seen by the scan alone: each
    // request to it marks a tick of the scan, the next one half a second away.
    HWND hTick = ie.Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ::SetWindowLongA(hTick, GWL_STYLE, ::GetWindowLongA(hTick, GWL_STYLE) & ~WS_THICKFRAME);
    auto afterATick = [&](DWORD dwStyle, DWORD* pCreated) {
        const size_t nTicks = RecordingClass::Requests(hTick).size();
        EXPECT_TRUE(PumpUntil([&] { return RecordingClass::Requests(hTick).size() > nTicks; }));
        *pCreated = ::GetTickCount();
        return ie.Create(dwStyle);
    };
    const HWND never[] = {ie.Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE),
                          ie.Create(WS_CHILD | WS_VISIBLE, other.Create(WS_OVERLAPPEDWINDOW)),
                          other.Create(POPUP_STYLE | WS_VISIBLE)};
    for (DWORD dwStyle : {POPUP_STYLE | WS_VISIBLE, POPUP_STYLE, POPUP_STYLE | WS_VISIBLE}) {
        DWORD created;
        HWND hPopup = afterATick(dwStyle, &created);
        ASSERT_TRUE(PumpUntil([&] { return !RecordingClass::Requests(hPopup).empty(); }));
        EXPECT_LT(RecordingClass::Requests(hPopup).front() - created, 150u) << dwStyle;
    }
    for (HWND hWnd : never) EXPECT_TRUE(RecordingClass::Requests(hWnd).empty());

    // Left out of the storm: what ends the program, opens a box or starts a program.
    const HWND targets[] = {zapwick.Frame(), zapwick.Tray(), zapwick.Dialog()};
    const UINT excluded[] = {ID_TRAY_EXIT,     ID_TRAY_WEBSITE, ID_TRAY_ABOUT, ID_APP_ABOUT,
                             ID_TRAY_VIEW_LOG, ID_TRAY_HELP,    IDC_EXIT};
    std::mt19937 random(20261206);
    for (int i = 0; i < 5000; ++i) {
        UINT nMsg = WM_USER + random() % 0x7C00, nKind = random() % 4;
        WPARAM wParam = random();
        LPARAM lParam = nKind == 3 ? static_cast<LPARAM>(random()) : 0;  // no timer procedures
        if (nKind == 0)  // any left-button value; the right release would open the menu
            nMsg = WM_TRAY_NOTIFY, lParam = WM_MOUSEFIRST + random() % 4,
            wParam = random() % 2 ? TRAY_ICON_ID : wParam;
        if (nKind == 1) nMsg = WM_TIMER, wParam %= 8;
        if (nKind == 2) nMsg = WM_COMMAND, wParam %= 0x10000;
        if (std::find(std::begin(excluded), std::end(excluded), wParam) != std::end(excluded))
            wParam = 0;
        ::PostMessageA(targets[random() % 3], nMsg, wParam, lParam);
    }
    DWORD created;
    HWND hPopup = afterATick(POPUP_STYLE, &created);
    EXPECT_TRUE(PumpUntil([&] { return !RecordingClass::Requests(hPopup).empty(); }));
    EXPECT_TRUE(zapwick.Closes());
}

TEST(ExitTest, EndsCleanlyFromInsideEveryModalLoop) {
    StoreTime(0);  // so that closing the status dialog asks
    auto close = [](Zapwick& z) { ::PostMessageA(z.Frame(), WM_CLOSE, 0, 0); };
    struct Case {
        const char *what, *pszClass, *pszTitle;
        void (*open)(Zapwick&);
        void (*end)(Zapwick&);
    } cases[] = {
        {"the menu, WM_CLOSE", "#32768", nullptr,
         [](Zapwick& z) { ::PostMessageA(z.Tray(), WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_RBUTTONUP); },
         close},
        {"About, the dialog's Exit", "#32770", "About Zapwick",
         [](Zapwick& z) { z.TrayCommand(ID_TRAY_ABOUT); },
         [](Zapwick& z) { ClickButton(z.Dialog(), IDC_EXIT); }},
        {"the question, the tray's Exit", "#32770", "Update the program",
         [](Zapwick& z) {
             ::ShowWindow(z.Dialog(), SW_SHOW);
             ::PostMessageA(z.Dialog(), WM_SYSCOMMAND, SC_CLOSE, 0);
         },
         [](Zapwick& z) { z.TrayCommand(ID_TRAY_EXIT); }},
        {"the empty log box, WM_CLOSE", "#32770", "Zapwick",
         [](Zapwick& z) { z.TrayCommand(ID_TRAY_VIEW_LOG); }, close},
        {"none, Enter on Exit", "#32770", "Zapwick",
         [](Zapwick& z) { ::ShowWindow(z.Dialog(), SW_SHOW); },
         [](Zapwick& z) {
             PumpUntil([&] { return z.Focus() == ::GetDlgItem(z.Dialog(), IDC_EXIT); });
             z.PressKey(VK_RETURN);
         }},
    };
    for (const Case& c : cases) {
        Zapwick zapwick;
        ASSERT_TRUE(zapwick.Ready());
        c.open(zapwick);
        ASSERT_NE(WaitForWindow(zapwick.Pid(), c.pszClass, c.pszTitle), nullptr) << c.what;
        c.end(zapwick);
        EXPECT_TRUE(zapwick.ExitsCleanly()) << c.what;
    }
}

TEST(IconTest, ComesBackWithTheTaskbarAndOnlyAnInstallersCloseAtTheSessionsEndTakesIt) {
    std::vector<HWND> before = TrayIcons();
    Zapwick zapwick;
    ASSERT_TRUE(zapwick.Ready());
    HWND hIcon = WaitForNewIcon(before);
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof(nid);
    nid.hWnd = zapwick.Tray();
    nid.uID = TRAY_ICON_ID;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(hIcon); }));
    before = TrayIcons();
    ::PostMessageA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    hIcon = WaitForNewIcon(before);
    ASSERT_NE(hIcon, nullptr);
    EXPECT_TRUE(PumpUntil([&] { return HasPicture(hIcon); })) << "not a blank slot";
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
        Zapwick zapwick(dir / L"zapwick.exe", L"", SW_SHOWNORMAL, cwd.m_path);
        ASSERT_TRUE(zapwick.Ready());
        const size_t nHelp = RecordedRuns(recorders.m_hh).size();
        ClickButton(zapwick.Dialog(), ID_TRAY_HELP);
        ASSERT_TRUE(PumpUntil([&] { return RecordedRuns(recorders.m_hh).size() > nHelp; }));
        EXPECT_EQ(RecordedRuns(recorders.m_hh).back(),
                  "hh.exe " + Narrow(path) + "\\help.chm::/Introduction.htm");

        const std::wstring log = dir / L"zapwick_log.txt";
        struct Case {
            const char* what;
            bool bExists, bReadOnly, bClear, bOpens;
            DWORD dwAccess, dwShare;  // of another program that holds it open
        } cases[] = {
            {"missing", false, false, false, false, 0, 0},
            {"empty", true, false, false, true, 0, 0},
            {"open elsewhere without read sharing", true, false, false, false, GENERIC_READ, 0},
            {"open elsewhere for writing", true, false, false, false, GENERIC_WRITE,
             FILE_SHARE_READ},
            {"read-only, cleared", true, true, true, true, 0, 0},
            {"cleared", true, false, true, false, 0, 0},
        };
        for (const Case& c : cases) {
            ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileW(log.c_str());
            if (c.bExists) std::ofstream(log.c_str()).flush();
            if (c.bReadOnly) ::SetFileAttributesW(log.c_str(), FILE_ATTRIBUTE_READONLY);
            HANDLE hOther = c.dwAccess ? ::CreateFileW(log.c_str(), c.dwAccess, c.dwShare, nullptr,
                                                       OPEN_EXISTING, 0, nullptr)
                                       : nullptr;
            const size_t nNotepad = RecordedRuns(recorders.m_notepad).size();
            if (c.bClear) zapwick.TrayCommand(ID_TRAY_CLEAR_LOG);
            zapwick.TrayCommand(ID_TRAY_VIEW_LOG);
            if (c.bOpens && bNamed) {
                ASSERT_TRUE(PumpUntil([&] {
                    return RecordedRuns(recorders.m_notepad).size() > nNotepad;
                })) << c.what;
                EXPECT_EQ(RecordedRuns(recorders.m_notepad).back(), "Notepad.exe " + Narrow(log));
            } else {
                HWND hBox = WaitForWindow(zapwick.Pid(), "#32770", "Zapwick");
                ASSERT_NE(hBox, nullptr) << c.what;
                EXPECT_EQ(TextOf(::GetDlgItem(hBox, MSGBOX_TEXT)), "The log file is empty!");
                EXPECT_TRUE(BoxHasIcon(hBox));
                EXPECT_EQ(::GetWindow(hBox, GW_OWNER), zapwick.Frame());
                ClickButton(hBox, IDOK);
                EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hBox); }));
            }
            if (hOther) ::CloseHandle(hOther);
            EXPECT_EQ(::GetFileAttributesW(log.c_str()) != INVALID_FILE_ATTRIBUTES,
                      c.bExists && !(c.bClear && !c.bReadOnly && bNamed))
                << c.what;
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
