// The real zapwick.exe from outside: what its manifest asks of Windows,
// pop-ups closed as they appear and a storm of stray messages, ending it
// inside every modal loop, its icon's picture and its return and the end of a
// session, the help and log commands wherever it lives.
#include <filesystem>
#include <map>
#include <random>
#include <tuple>

#include "Program.h"

namespace {

constexpr DWORD POPUP_STYLE = WS_POPUP | WS_CAPTION | WS_SYSMENU;  // no sizing border

// Windows that ignore a request to close from their system menu and log when
// each one came: who was asked, how soon and how often.
std::map<HWND, std::vector<DWORD>> s_closeRequests;

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg != WM_SYSCOMMAND || wParam != SC_CLOSE || lParam != 0)
        return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    s_closeRequests[hWnd].push_back(::GetTickCount());
    return 0;
}

HWND RecordingWindow(const char* pszClass, DWORD dwStyle, HWND hParent = nullptr) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &RecordingProc;
    wc.hInstance = ::GetModuleHandleA(nullptr);
    wc.lpszClassName = pszClass;
    ::RegisterClassA(&wc);  // once; again it fails harmlessly
    // Away from the top-left corner, where Wine shows its tray.
    return ::CreateWindowExA(0, pszClass, "recorder", dwStyle, 400, 300, 200, 150, hParent, nullptr,
                             wc.hInstance, nullptr);
}

TEST(ManifestTest, AsksForPerMonitorDpiTheSystemsControlsAndNoElevation) {
    HMODULE hExe =
        ::LoadLibraryExW((BinDir() + L"zapwick.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HRSRC hRes = ::FindResourceA(hExe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(hRes, nullptr);
    const std::string manifest(static_cast<const char*>(::LockResource(::LoadResource(hExe, hRes))),
                               ::SizeofResource(hExe, hRes));
    for (const char* pszWanted : {
             ">PerMonitorV2, PerMonitor</dpiAwareness>",
             ">true/pm</dpiAware>",
             "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
             "level=\"asInvoker\" uiAccess=\"false\"",
             // Vista, 7, 8, 8.1, 10 and 11
             "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
         })
        EXPECT_NE(manifest.find(pszWanted), std::string::npos) << pszWanted;
    ::FreeLibrary(hExe);
}

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
        const size_t nTicks = s_closeRequests[hTick].size();
        EXPECT_TRUE(PumpUntil([&] { return s_closeRequests[hTick].size() > nTicks; }));
        const DWORD created = ::GetTickCount();
        HWND hPopup = RecordingWindow("ieFrame", dwStyle);
        ASSERT_TRUE(PumpUntil([&] { return !s_closeRequests[hPopup].empty(); }));
        EXPECT_LT(s_closeRequests[hPopup].front() - created, 150u) << dwStyle;
    }
    for (HWND hWnd : never) EXPECT_TRUE(s_closeRequests[hWnd].empty());

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
    EXPECT_TRUE(PumpUntil([&] { return !s_closeRequests[hPopup].empty(); }, 20000));
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

// The tip that the tray shows once the mouse rests on an icon.
std::string IconTip(HWND hIcon) {
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

// The tray icon at cx pixels, as Windows takes it from the program's own
// resources: the frame drawn for that size.
HICON FrameOfSize(int cx) {
    HMODULE hExe =
        ::LoadLibraryExW((BinDir() + L"zapwick.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HICON hFrame =
        static_cast<HICON>(::LoadImageA(hExe, MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON, cx, cx, 0));
    ::FreeLibrary(hExe);
    return hFrame;
}

// How many of the pixels that the screen shows for an icon differ from the
// frame drawn there as the tray draws an icon: centred, at the small-icon
// size, on the background of the slot's border.
size_t DifferingPixels(HWND hIcon, HICON hFrame) {
    RECT rc;
    ::GetWindowRect(hIcon, &rc);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top,
              cxy = ::GetSystemMetrics(SM_CXSMICON);
    HDC hScreen = ::GetDC(nullptr), hdc = ::CreateCompatibleDC(hScreen);
    HGDIOBJ hOld = ::SelectObject(hdc, ::CreateCompatibleBitmap(hScreen, cx, cy));
    HBRUSH hBackground = ::CreateSolidBrush(::GetPixel(hScreen, rc.left, rc.top));
    const RECT rcSlot = {0, 0, cx, cy};
    ::FillRect(hdc, &rcSlot, hBackground);
    ::DrawIconEx(hdc, (cx - cxy) / 2, (cy - cxy) / 2, hFrame, cxy, cxy, 0, nullptr, DI_NORMAL);
    size_t nDiffering = 0;
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            nDiffering += ::GetPixel(hdc, x, y) != ::GetPixel(hScreen, rc.left + x, rc.top + y);
    ::DeleteObject(hBackground);
    ::DeleteObject(::SelectObject(hdc, hOld));
    ::DeleteDC(hdc);
    ::ReleaseDC(nullptr, hScreen);
    return nDiffering;
}

// AtDpi.sh runs this at 150 % and 200 % too.
TEST(IconTest, ShowsItsFrameForTheSizeComesBackByItselfAndStaysThroughTheSessionsEnd) {
    const int cx = ::GetSystemMetrics(SM_CXSMICON);
    HICON hFrame = FrameOfSize(cx);
    ::SetCursorPos(600, 600);  // a tip for a mouse resting on the slot would cover it
    std::vector<HWND> before = TrayIcons();
    Zapwick zapwick;
    ASSERT_TRUE(zapwick.Ready());
    HWND hIcon = WaitForNewIcons(before).at(0);
    auto drawn = [&] { return PumpUntil([&] { return DifferingPixels(hIcon, hFrame) == 0; }); };
    EXPECT_TRUE(drawn()) << DifferingPixels(hIcon, hFrame) << " pixels differ, at " << cx;
    // Taken away without a new taskbar announcing itself (a taskbar that was
    // not ready at logon loses it so): back within a second with its
    // picture, one icon and no second; and once more when a new taskbar
    // announces itself while it is there.
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof(nid), nid.hWnd = zapwick.Tray(), nid.uID = TRAY_ICON_ID;
    for (int i = 0; i < 4; ++i) {
        before = TrayIcons();
        before.erase(std::find(before.begin(), before.end(), hIcon));
        if (i < 3) {
            ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
        } else {
            ::PostMessageA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        }
        ASSERT_TRUE(PumpUntil([&] { return (i < 3) != !!::IsWindow(hIcon); })) << i;
        const std::vector<HWND> added = WaitForNewIcons(before, 1000);
        ASSERT_EQ(added.size(), 1u) << i;
        hIcon = added[0];
        EXPECT_TRUE(drawn()) << i;
        EXPECT_FALSE(PumpUntil([&] { return TrayIcons().size() > before.size() + 1; }, 600)) << i;
    }
    ::DestroyIcon(hFrame);
    EXPECT_EQ(IconTip(hIcon), "Zapwick");
    Click(hIcon, kClick);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(zapwick.Dialog()) != FALSE; }));

    // Log-off: every window lets it happen, and nothing is destroyed.
    const std::vector<HWND> windows = WindowsOf(zapwick.Pid());
    for (HWND hWnd : windows) {
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutA(hWnd, WM_QUERYENDSESSION, 0, 0, SMTO_NORMAL, 5000, &answer);
        EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE)) << TextOf(hWnd);
    }
    for (HWND hWnd : windows)
        ::SendMessageTimeoutA(hWnd, WM_ENDSESSION, TRUE, 0, SMTO_NORMAL, 5000, nullptr);
    for (HWND hWnd : windows) EXPECT_TRUE(::IsWindow(hWnd)) << TextOf(hWnd);
    EXPECT_TRUE(::IsWindow(hIcon) && zapwick.Closes());
}

// A directory of the test's own, deleted at the end with what tests put there.
struct ScratchDir : std::wstring {
    explicit ScratchDir(const std::wstring& path) : std::wstring(path) { _wmkdir(c_str()); }
    ~ScratchDir() { std::filesystem::remove_all(std::wstring(*this), m_error); }
    std::error_code m_error;
    std::wstring operator/(const wchar_t* pszName) const { return *this + L"\\" + pszName; }
};

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
        // Programs of those names beside it and in its current folder: a search
        // by name would run them, and the system's would record nothing.
        for (const ScratchDir* pDir : {&dir, &cwd})
            for (const wchar_t* pszName : {L"hh.exe", L"Notepad.exe"})
                ASSERT_TRUE(PlantRecorder(*pDir / pszName));
        ASSERT_TRUE(::CopyFileW((BinDir() + L"zapwick.exe").c_str(), (dir / L"zapwick.exe").c_str(),
                                FALSE));
        Zapwick zapwick(dir / L"zapwick.exe", cwd.c_str());
        ASSERT_TRUE(zapwick.Ready());
        const size_t nHelp = RecordedRuns(recorders.m_hh).size();
        EXPECT_TRUE(ClickButton(zapwick.Dialog(), ID_TRAY_HELP));
        ASSERT_TRUE(PumpUntil([&] { return RecordedRuns(recorders.m_hh).size() > nHelp; }));
        EXPECT_EQ(RecordedRuns(recorders.m_hh).back(),
                  "hh.exe " + Narrow(path) + "\\help.chm::/Introduction.htm");

        const std::wstring log = dir / L"zapwick_log.txt";
        constexpr DWORD NORMAL = FILE_ATTRIBUTE_NORMAL, READONLY = FILE_ATTRIBUTE_READONLY;
        // The log: missing (0) or its attributes, another program's handle to it,
        // Clear; then, where the log can be named, whether View shows it in
        // Notepad (else it says there is none) and whether it is still there.
        // Where it cannot be named, View always says there is none and Clear
        // deletes nothing.
        const std::tuple<const char*, DWORD, DWORD, DWORD, bool, bool, bool> cases[] = {
            {"missing", 0, 0, 0, false, false, false},
            {"empty", NORMAL, 0, 0, false, true, true},
            {"open elsewhere without read sharing", NORMAL, GENERIC_READ, 0, false, false, true},
            {"open elsewhere for writing", NORMAL, GENERIC_WRITE, FILE_SHARE_READ, false, false,
             true},
            {"read-only, cleared", READONLY, 0, 0, true, true, true},
            {"cleared", NORMAL, 0, 0, true, false, false},
        };
        for (const auto& [pszWhat, dwAttributes, dwAccess, dwShare, bClear, bShown, bStays] :
             cases) {
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
            if (bNamed && bShown) {
                ASSERT_TRUE(PumpUntil([&] {
                    return RecordedRuns(recorders.m_notepad).size() > nNotepad;
                })) << pszWhat;
                EXPECT_EQ(RecordedRuns(recorders.m_notepad).back(), "Notepad.exe " + Narrow(log));
            } else {
                HWND hBox = WaitForWindow(zapwick.Pid(), "#32770", "Zapwick");
                EXPECT_EQ(BoxOf(hBox), "The log file is empty!|OK |icon|" MAIN_FRAME_TITLE)
                    << pszWhat;
                EXPECT_TRUE(ClickButton(hBox, IDOK));
                EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hBox); }));
            }
            ::CloseHandle(hOther);
            EXPECT_EQ(::GetFileAttributesW(log.c_str()) != INVALID_FILE_ATTRIBUTES,
                      bNamed ? bStays : dwAttributes != 0)
                << pszWhat;
        }
        EXPECT_TRUE(WindowsOf(zapwick.Pid(), "#32770", "Zapwick", true).empty())
            << "Clear says nothing";
        EXPECT_TRUE(zapwick.Closes());
    }
}

}  // namespace
