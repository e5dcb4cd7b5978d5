// The application's tray window inside a whole program started in this
// process: its requests to the shell over its life, clicks on the icon, the
// menu, and its commands. Calls to the shell and the menu are captured at the
// imports, so nothing here depends on a real notification area.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "ImportHook.h"
#include "Pump.h"
#include "app/MainFrame.h"
#include "app/ZapwickApp.h"
#include "res/resource.h"
#include "tray/AppTrayWnd.h"
#include "ui/ZapwickDlg.h"

namespace {

struct ShellCall {
    DWORD dwMessage;
    NOTIFYICONDATAA data;
};
std::vector<ShellCall> s_shellCalls;
std::vector<std::string> s_calls;  // menu-related calls, in order
POINT s_cursor = {123, 456};
struct MenuItem {
    std::string text;
    UINT id;
    UINT type;
    UINT state;
};
std::vector<MenuItem> s_menuItems;
UINT s_menuChoice = 0;  // the command the "user" picks, 0 to dismiss
std::vector<HMENU> s_trackedMenus;

BOOL WINAPI FakeShellNotifyIcon(DWORD dwMessage, PNOTIFYICONDATAA pData) {
    ShellCall call = {dwMessage, {}};
    memcpy(&call.data, pData, NOTIFYICONDATAA_V2_SIZE);
    s_shellCalls.push_back(call);
    return TRUE;
}

BOOL WINAPI FakeGetCursorPos(POINT* pPoint) {
    s_calls.push_back("GetCursorPos");
    *pPoint = s_cursor;
    return TRUE;
}

DWORD WINAPI FakeCheckMenuItem(HMENU, UINT nId, UINT nCheck) {
    s_calls.push_back("CheckMenuItem " + std::to_string(nId) + " " + std::to_string(nCheck));
    return static_cast<DWORD>(-1);  // the menu has no such item
}

BOOL WINAPI FakeSetForegroundWindow(HWND) {
    s_calls.push_back("SetForegroundWindow");
    return TRUE;
}

BOOL WINAPI FakeTrackPopupMenu(HMENU hMenu, UINT uFlags, int x, int y, int, HWND hOwner,
                               const RECT* pExclude) {
    s_calls.push_back("TrackPopupMenu " + std::to_string(uFlags) + " " + std::to_string(x) + "," +
                      std::to_string(y) + (pExclude ? " excluding" : ""));
    s_trackedMenus.push_back(hMenu);
    s_menuItems.clear();
    for (int i = 0; i < ::GetMenuItemCount(hMenu); ++i) {
        char text[64] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_ID | MIIM_STATE | MIIM_FTYPE | MIIM_STRING | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        ::GetMenuItemInfoA(hMenu, i, TRUE, &info);
        s_menuItems.push_back({text, info.wID, info.fType, info.fState});
    }
    // A choice reaches the owner as a posted command, as with the real menu.
    if (s_menuChoice) ::PostMessageA(hOwner, WM_COMMAND, s_menuChoice, 0);
    return TRUE;
}

BOOL WINAPI FakeDestroyMenu(HMENU) {
    s_calls.push_back("DestroyMenu");
    return TRUE;  // the test destroys it, through the real function
}

struct ShellExecuteCall {
    HWND hWnd;
    std::string verb, file;
    bool bParameters, bDirectory;
    int nShow;
};
std::vector<ShellExecuteCall> s_shellExecutes;

HINSTANCE WINAPI FakeShellExecuteA(HWND hWnd, LPCSTR pszVerb, LPCSTR pszFile, LPCSTR pszParameters,
                                   LPCSTR pszDirectory, INT nShow) {
    s_shellExecutes.push_back({hWnd, pszVerb ? pszVerb : "", pszFile ? pszFile : "",
                               pszParameters != nullptr, pszDirectory != nullptr, nShow});
    return reinterpret_cast<HINSTANCE>(42);
}

#define HOOK(dll, fn, fake)                            \
    ImportHook m_##fn {                                \
        dll, #fn, reinterpret_cast<const void*>(&fake) \
    }

class AppTrayTest : public ::testing::Test {
protected:
    void SetUp() override {
        s_shellCalls.clear();
        s_calls.clear();
        s_menuItems.clear();
        s_shellExecutes.clear();
        s_menuChoice = 0;
        m_posted.clear();
        ASSERT_TRUE(m_app.InitInstance());
        m_pFrame = CZapwickApp::MainFrame();
        m_hFrame = m_pFrame->GetSafeHwnd();
        ASSERT_NE(m_pFrame->m_pTrayWnd, nullptr);
        m_hTray = m_pFrame->m_pTrayWnd->GetSafeHwnd();
        m_hDlg = m_pFrame->m_pStatusDlg->GetSafeHwnd();
        // Watch what is posted to the frame and the tray window.
        SetMessageFilter([this](MSG* pMsg) {
            if (pMsg->hwnd == m_hTray || pMsg->hwnd == m_hFrame)
                m_posted.push_back({pMsg->hwnd, pMsg->message, pMsg->wParam});
            return false;
        });
    }
    void TearDown() override {
        SetMessageFilter(nullptr);
        for (HMENU hMenu : s_trackedMenus) m_DestroyMenu.Original<decltype(&DestroyMenu)>()(hMenu);
        s_trackedMenus.clear();
        if (::IsWindow(m_hFrame)) ::SendMessageA(m_hFrame, WM_CLOSE, 0, 0);
        TakeQuitMessage();
    }
    void Notify(UINT nMouse) {
        ::PostMessageA(m_hTray, WM_TRAY_NOTIFY, TRAY_ICON_ID, nMouse);
        PumpPending();
    }
    size_t PostedCount(HWND hWnd, UINT nMsg, WPARAM wParam = 0) {
        size_t n = 0;
        for (const Posted& p : m_posted)
            n += p.hWnd == hWnd && p.nMsg == nMsg && p.wParam == wParam;
        return n;
    }

    HOOK("shell32.dll", Shell_NotifyIconA, FakeShellNotifyIcon);
    HOOK("shell32.dll", ShellExecuteA, FakeShellExecuteA);
    HOOK("user32.dll", GetCursorPos, FakeGetCursorPos);
    HOOK("user32.dll", CheckMenuItem, FakeCheckMenuItem);
    HOOK("user32.dll", SetForegroundWindow, FakeSetForegroundWindow);
    HOOK("user32.dll", TrackPopupMenu, FakeTrackPopupMenu);
    HOOK("user32.dll", DestroyMenu, FakeDestroyMenu);

    struct Posted {
        HWND hWnd;
        UINT nMsg;
        WPARAM wParam;
    };
    std::vector<Posted> m_posted;
    CZapwickApp m_app;
    CMainFrame* m_pFrame = nullptr;
    HWND m_hFrame = nullptr, m_hTray = nullptr, m_hDlg = nullptr;
};

TEST_F(AppTrayTest, AddsTheIconAtCreationRefreshesItAndDeletesItAtTheEnd) {
    // The add went out during start-up, before any timer could tick.
    ASSERT_EQ(s_shellCalls.size(), 1u);
    const ShellCall& add = s_shellCalls[0];
    EXPECT_EQ(add.dwMessage, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(add.data.uFlags, 7u);
    EXPECT_EQ(add.data.hWnd, m_hTray);
    EXPECT_EQ(add.data.uID, 100u);
    EXPECT_EQ(add.data.hIcon, ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_TRAY)));
    EXPECT_STREQ(add.data.szTip, "Zapwick");

    ASSERT_TRUE(PumpUntil([] { return s_shellCalls.size() >= 4; }, 3000));
    for (size_t i = 1; i < s_shellCalls.size(); ++i) {
        EXPECT_EQ(s_shellCalls[i].dwMessage, static_cast<DWORD>(NIM_MODIFY)) << i;
        EXPECT_EQ(s_shellCalls[i].data.uFlags, 5u) << i;
        EXPECT_STREQ(s_shellCalls[i].data.szTip, "Zapwick");
    }

    ::SendMessageA(m_hFrame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(m_hTray));
    const ShellCall& last = s_shellCalls.back();
    EXPECT_EQ(last.dwMessage, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(last.data.uFlags, 1u);
    EXPECT_EQ(last.data.hWnd, m_hTray);
}

TEST_F(AppTrayTest, AnotherTrayWindowOfTheProcessNeverAddsAgain) {
    s_shellCalls.clear();
    auto* pSecond = new CAppTrayWnd;  // frees itself
    ASSERT_TRUE(pSecond->Create());
    ASSERT_EQ(s_shellCalls.size(), 1u);
    EXPECT_EQ(s_shellCalls[0].dwMessage, static_cast<DWORD>(NIM_MODIFY));
    EXPECT_EQ(s_shellCalls[0].data.uFlags, 5u) << "the same icon handle is not sent again";
    pSecond->DestroyWindow();
}

TEST_F(AppTrayTest, ClicksShowAndHideTheStatusDialog) {
    ASSERT_FALSE(::IsWindowVisible(m_hDlg));
    Notify(WM_LBUTTONDOWN);
    Notify(WM_LBUTTONUP);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(m_hDlg) != FALSE; }));
    Notify(WM_LBUTTONDOWN);
    Notify(WM_LBUTTONUP);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(m_hDlg); }));

    // A double click toggles once, then posts WM_USER to the tray window.
    m_posted.clear();
    for (UINT nMouse : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
        Notify(nMouse);
    EXPECT_TRUE(::IsWindowVisible(m_hDlg));
    EXPECT_EQ(PostedCount(m_hTray, WM_USER), 1u);
    PumpFor(::GetDoubleClickTime() + 150);
    EXPECT_TRUE(::IsWindowVisible(m_hDlg)) << "no single click follows a double click";
}

TEST_F(AppTrayTest, RightClickTracksTheMenuAtTheCursorThenPostsWmUser) {
    for (BOOL bBlocking : {TRUE, FALSE}) {
        s_calls.clear();
        m_posted.clear();
        m_pFrame->m_bBlockingEnabled = bBlocking;
        Notify(WM_RBUTTONDOWN);
        EXPECT_TRUE(s_calls.empty()) << "the press does nothing";
        Notify(WM_RBUTTONUP);
        const std::vector<std::string> expected = {
            "GetCursorPos",
            "CheckMenuItem 32778 " + std::to_string(bBlocking ? MF_CHECKED : MF_UNCHECKED),
            "SetForegroundWindow",
            "TrackPopupMenu 2 123,456",
            "DestroyMenu",
        };
        EXPECT_EQ(s_calls, expected);
        EXPECT_EQ(PostedCount(m_hTray, WM_USER), 1u);

        const std::vector<std::pair<std::string, UINT>> items = {
            {"Help", ID_TRAY_HELP},
            {"www.morvane.example", ID_TRAY_WEBSITE},
            {"About", ID_TRAY_ABOUT},
            {"Exit", ID_TRAY_EXIT}};
        ASSERT_EQ(s_menuItems.size(), items.size());
        for (size_t i = 0; i < items.size(); ++i) {
            EXPECT_EQ(s_menuItems[i].text, items[i].first);
            EXPECT_EQ(s_menuItems[i].id, items[i].second);
            EXPECT_EQ(s_menuItems[i].type, static_cast<UINT>(MFT_STRING)) << items[i].first;
            EXPECT_EQ(s_menuItems[i].state, 0u) << "no check mark, default or grey";
        }
    }
    // Dismissed: no command ran.
    EXPECT_TRUE(s_shellExecutes.empty());
    EXPECT_FALSE(::IsWindowVisible(m_hDlg));
    EXPECT_TRUE(::IsWindow(m_hFrame));
}

TEST_F(AppTrayTest, ChoosingAMenuItemRunsItsCommand) {
    s_menuChoice = ID_TRAY_WEBSITE;
    Notify(WM_RBUTTONUP);
    PumpPending();
    ASSERT_EQ(s_shellExecutes.size(), 1u);
    const ShellExecuteCall& call = s_shellExecutes[0];
    EXPECT_EQ(call.hWnd, nullptr);
    EXPECT_EQ(call.verb, "open");
    EXPECT_EQ(call.file, "http://www.morvane.example/");
    EXPECT_FALSE(call.bParameters);
    EXPECT_FALSE(call.bDirectory);
    EXPECT_EQ(call.nShow, SW_SHOWNORMAL);
}

TEST_F(AppTrayTest, TheToggleFlipsTheFramesFlag) {
    struct Case {
        BOOL before, after;
    } cases[] = {{1, 0}, {0, 1}, {5, 0}, {-1, 0}};
    for (const Case& c : cases) {
        m_pFrame->m_bBlockingEnabled = c.before;
        ::SendMessageA(m_hTray, WM_COMMAND, ID_TRAY_TOGGLE_BLOCKING, 0);
        EXPECT_EQ(m_pFrame->m_bBlockingEnabled, c.after) << c.before;
    }
}

TEST_F(AppTrayTest, AboutIsPostedToTheFrame) {
    // Taken out of the queue here, so that no modal About box blocks the test.
    SetMessageFilter([this](MSG* pMsg) {
        if (pMsg->hwnd != m_hFrame || pMsg->message != WM_COMMAND) return false;
        m_posted.push_back({pMsg->hwnd, pMsg->message, pMsg->wParam});
        return true;
    });
    ::SendMessageA(m_hTray, WM_COMMAND, ID_TRAY_ABOUT, 0);
    EXPECT_TRUE(m_posted.empty()) << "posted, not sent";
    PumpPending();
    EXPECT_EQ(PostedCount(m_hFrame, WM_COMMAND, ID_APP_ABOUT), 1u);
}

TEST_F(AppTrayTest, ExitIsPostedToTheFrame) {
    ::SendMessageA(m_hTray, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_TRUE(::IsWindow(m_hFrame)) << "nothing happens before the frame reads its queue";
    PumpPending();
    EXPECT_EQ(PostedCount(m_hFrame, WM_CLOSE), 1u);
    EXPECT_FALSE(::IsWindow(m_hFrame));
    EXPECT_FALSE(::IsWindow(m_hTray));
    WPARAM code = 99;
    EXPECT_TRUE(TakeQuitMessage(&code));
    EXPECT_EQ(code, 0u);
}

TEST_F(AppTrayTest, ClosingTheTrayWindowAloneLeavesTheProgramRunning) {
    // Another program may close the hidden window; the frame must not send to
    // the freed object later.
    ::SendMessageA(m_hTray, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(m_hTray));
    EXPECT_EQ(m_pFrame->m_pTrayWnd, nullptr);
    EXPECT_TRUE(::IsWindow(m_hFrame));
    ::SendMessageA(m_hFrame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(m_hFrame));
}

}  // namespace
