// The real zapwick.exe from outside: pop-ups closed as they appear and a storm of stray messages,
// ending it inside every modal loop, its icon's picture and its return and the end of a session,
// the help and log commands wherever it lives.
#include <filesystem>
#include <map>
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

    // Stray messages to each of its windows: timers of any id, and the shell's
    // notices of any left-button value, for its icon and for others.
    const HWND targets[] = {zapwick.Frame(), zapwick.Tray(), zapwick.Dialog()};
    for (UINT n = 0; n < 3000; ++n) {
        const UINT m = n / 6;  // each window gets each kind with every m
        ::PostMessageA(targets[n % 3], n % 2 ? WM_TIMER : WM_TRAY_NOTIFY,
                       n % 2 ? m % 8 : (m % 5 ? TRAY_ICON_ID : m),
                       n % 2 ? 0 : WM_MOUSEFIRST + m % 4);
    }
    HWND hPopup = RecordingWindow("ieFrame", POPUP_STYLE);
    EXPECT_TRUE(PumpUntil([&] { return !s_closeRequests[hPopup].empty(); }, 20000));
    EXPECT_TRUE(zapwick.Closes());
}

TEST(ExitTest, EndsCleanlyFromInsideEveryModalLoop) {
    WriteValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update", RegDword(0));  // closing asks
    enum Target { FRAME, TRAY, DIALOG, FOCUS };
    using Post = std::tuple<Target, UINT, WPARAM, LPARAM>;  // a message to one of its windows
    // What opens a loop, the caption of the dialog it shows (none: the menu), what ends it.
    const std::tuple<Post, const char*, Post> cases[] = {
        {{TRAY, WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_RBUTTONUP}, nullptr, {FRAME, WM_CLOSE, 0, 0}},
        {{TRAY, WM_COMMAND, ID_TRAY_ABOUT, 0}, "About Zapwick", {DIALOG, WM_COMMAND, IDC_EXIT, 0}},
        {{DIALOG, WM_SYSCOMMAND, SC_CLOSE, 0},
         "Update the program",
         {TRAY, WM_COMMAND, ID_TRAY_EXIT, 0}},
        {{TRAY, WM_COMMAND, ID_TRAY_VIEW_LOG, 0}, "Zapwick", {FRAME, WM_CLOSE, 0, 0}},
        // No modal loop: a click shows the status dialog, Enter on its Exit button.
        {{TRAY, WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN},
         "Zapwick",
         {FOCUS, WM_KEYDOWN, VK_RETURN, 0}},
    };
    for (const auto& [open, pszTitle, end] : cases) {
        Zapwick zapwick;
        ASSERT_TRUE(zapwick.Ready());
        auto post = [&](const Post& p) {
            const HWND targets[] = {zapwick.Frame(), zapwick.Tray(), zapwick.Dialog(),
                                    zapwick.Focus()};
            ::PostMessageA(targets[std::get<0>(p)], std::get<1>(p), std::get<2>(p), std::get<3>(p));
        };
        post(open);
        EXPECT_NE(WaitForWindow(zapwick.Pid(), pszTitle ? "#32770" : "#32768", pszTitle), nullptr);
        post(end);
        EXPECT_TRUE(zapwick.ExitsCleanly()) << std::get<1>(open) << " " << std::get<1>(end);
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
    const RECT rcSlot = {0, 0, cx, cy};
    ::SetDCBrushColor(hdc, ::GetPixel(hScreen, rc.left, rc.top));
    ::FillRect(hdc, &rcSlot, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
    ::DrawIconEx(hdc, (cx - cxy) / 2, (cy - cxy) / 2, hFrame, cxy, cxy, 0, nullptr, DI_NORMAL);
    size_t nDiffering = 0;
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x)
            nDiffering += ::GetPixel(hdc, x, y) != ::GetPixel(hScreen, rc.left + x, rc.top + y);
    ::DeleteObject(::SelectObject(hdc, hOld));
    ::DeleteDC(hdc);
    ::ReleaseDC(nullptr, hScreen);
    return nDiffering;
}

// IconTestAtDpi.sh runs this at 150 % and 200 % too.
TEST(IconTest, ShowsItsFrameForTheSizeComesBackByItselfAndStaysThroughTheSessionsEnd) {
    // The icon drawn for the tray's size, taken as Windows takes it from the
    // program's resources.
    const int cx = ::GetSystemMetrics(SM_CXSMICON);
    HICON hFrame = static_cast<HICON>(::LoadImageA(
        ::LoadLibraryExW((BinDir() + L"zapwick.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE),
        MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON, cx, cx, 0));
    ::SetCursorPos(600, 600);  // a tip for a mouse resting on the slot would cover it
    std::vector<HWND> before = TrayIcons();
    Zapwick zapwick;
    ASSERT_TRUE(zapwick.Ready());
    HWND hIcon = WaitForNewIcons(before).at(0);
    auto drawn = [&] { return PumpUntil([&] { return DifferingPixels(hIcon, hFrame) == 0; }); };
    EXPECT_TRUE(drawn()) << DifferingPixels(hIcon, hFrame) << " pixels differ, at " << cx;
    // Taken away without a new taskbar announcing itself (a taskbar that was
    // not ready at logon loses it so), three times: back within a second with
    // its picture, one icon and no second.
    NOTIFYICONDATAA nid = {};
    nid.cbSize = sizeof(nid), nid.hWnd = zapwick.Tray(), nid.uID = TRAY_ICON_ID;
    for (int i = 0; i < 3; ++i) {
        before = TrayIcons();
        before.erase(std::find(before.begin(), before.end(), hIcon));
        ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &nid));
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(hIcon); })) << i;
        const std::vector<HWND> added = WaitForNewIcons(before, 1000);
        ASSERT_EQ(added.size(), 1u) << i;
        hIcon = added[0];
        EXPECT_TRUE(drawn()) << i;
        EXPECT_FALSE(PumpUntil([&] { return TrayIcons().size() > before.size() + 1; }, 600)) << i;
    }
    EXPECT_EQ(IconTip(hIcon), "Zapwick");

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

// The path in a recorder's line (UTF-8) between the text before and after it
// (ASCII), resolved as the program that logged it would.
std::wstring PathIn(const std::string& line, const char* pszBefore, const char* pszAfter) {
    const size_t nSkip = ::strlen(pszBefore), nCut = ::strlen(pszAfter);
    if (line.size() < nSkip + nCut || line.compare(0, nSkip, pszBefore) ||
        line.compare(line.size() - nCut, nCut, pszAfter))
        return L"";
    wchar_t wide[4096] = {}, resolved[4096];
    ::MultiByteToWideChar(CP_UTF8, 0, line.c_str(), -1, wide, 4096);
    const std::wstring path(wide + nSkip, wide + ::wcslen(wide) - nCut);
    return std::wstring(resolved, ::GetLongPathNameW(path.c_str(), resolved, 4096));
}

TEST(HelpAndLogTest, TheSystemsProgramsOnTheFilesBesideItWhateverItsFolderAndTheLogsState) {
    Recorders recorders;
    ScratchDir cwd(BinDir() + L"zap cwd");
    std::wstring longDir = BinDir() + L"long";
    longDir.resize(MAX_PATH - 1 - 12, L'x');  // zapwick.exe fits MAX_PATH there, its log not
    // Latin Extended and CJK, outside code page 1252: the programs started get
    // another spelling that names the same files. Elsewhere nothing changes.
    const std::wstring unspelled = BinDir() + L"\x0141ukasz \x017B\x00F3\x0142\x0107 \x65E5\x672C";
    for (const std::wstring& path : {BinDir() + L"zap wick", longDir, unspelled}) {
        SCOPED_TRACE(Narrow(path));
        ScratchDir dir(path);
        const bool bNamed = path != longDir;
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
        ClickButton(zapwick.Dialog(), ID_TRAY_HELP);
        ASSERT_TRUE(PumpUntil([&] { return RecordedRuns(recorders.m_hh).size() > nHelp; }));
        const std::string help = RecordedRuns(recorders.m_hh).back();
        EXPECT_EQ(PathIn(help, "hh.exe ", "help.chm::/Introduction.htm"), path + L"\\");
        EXPECT_TRUE(path == unspelled ||
                    help == "hh.exe " + Narrow(path) + "\\help.chm::/Introduction.htm")
            << help;

        const std::wstring log = dir / L"zapwick_log.txt";
        constexpr DWORD NORMAL = FILE_ATTRIBUTE_NORMAL, READONLY = FILE_ATTRIBUTE_READONLY;
        // The log: missing (0) or its attributes, another program's handle to it,
        // Clear; then, where the log's path fits, whether View shows it in
        // Notepad (else it says there is none) and whether it is still there.
        // Where it does not fit, View always says there is none and Clear
        // deletes nothing.
        const std::tuple<const char*, DWORD, DWORD, DWORD, bool, bool, bool> cases[] = {
            {"missing", 0, 0, 0, false, false, false},
            {"empty", NORMAL, 0, 0, false, true, true},
            {"open, no read sharing", NORMAL, GENERIC_READ, 0, false, false, true},
            {"open for writing", NORMAL, GENERIC_WRITE, FILE_SHARE_READ, false, false, true},
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
                const std::string notepad = RecordedRuns(recorders.m_notepad).back();
                EXPECT_EQ(PathIn(notepad, "Notepad.exe ", ""), log);
                EXPECT_TRUE(path == unspelled || notepad == "Notepad.exe " + Narrow(log))
                    << notepad;
            } else {
                HWND hBox = WaitForWindow(zapwick.Pid(), "#32770", "Zapwick");
                EXPECT_EQ(BoxOf(hBox), "The log file is empty!|OK |icon|" MAIN_FRAME_TITLE)
                    << pszWhat;
                ClickButton(hBox, IDOK);
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
