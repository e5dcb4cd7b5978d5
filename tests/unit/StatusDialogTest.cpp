// The status dialog in this process: its template, where it appears, its
// icon, the keyboard, its buttons, and painting while minimised.
#include <gtest/gtest.h>

#include "ImportHook.h"
#include "Pump.h"
#include "RectCompare.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "res/resource.h"
#include "ui/ZapwickDlg.h"

namespace {

RECT CenteredIn(const RECT& area, const RECT& window) {
    const int cx = window.right - window.left, cy = window.bottom - window.top;
    const int x = (area.left + area.right) / 2 - cx / 2;
    const int y = (area.top + area.bottom) / 2 - cy / 2;
    return {x, y, x + cx, y + cy};
}

RECT WorkArea() {
    RECT rc;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rc, 0);
    return rc;
}

class StatusDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pDlg = new CZapwickDlg;
        ASSERT_TRUE(m_pDlg->Create(IDD_ZAPWICK_DIALOG));
        m_hDlg = m_pDlg->GetSafeHwnd();
        SetMessageFilter([this](MSG* pMsg) { return m_app.PreTranslateMessage(pMsg); });
    }
    void TearDown() override {
        SetMessageFilter(nullptr);
        delete m_pDlg;
        PumpPending();
    }
    HWND Item(int nId) { return ::GetDlgItem(m_hDlg, nId); }
    void Show() {
        ::ShowWindow(m_hDlg, SW_SHOW);
        PumpPending();
    }
    void Key(UINT vk) {
        HWND hTarget = ::GetFocus() ? ::GetFocus() : m_hDlg;
        ::PostMessageA(hTarget, WM_KEYDOWN, vk, 1);
        ::PostMessageA(hTarget, WM_KEYUP, vk, 0xC0000001);
        PumpPending();
    }

    CWinApp m_app;
    CZapwickDlg* m_pDlg = nullptr;
    HWND m_hDlg = nullptr;
};

TEST_F(StatusDialogTest, IsCreatedHiddenUnownedAndCentredOnTheWorkArea) {
    EXPECT_FALSE(::IsWindowVisible(m_hDlg));
    EXPECT_EQ(::GetWindow(m_hDlg, GW_OWNER), nullptr);
    char caption[32] = {};
    ::GetWindowTextA(m_hDlg, caption, sizeof(caption));
    EXPECT_STREQ(caption, "Zapwick");

    const DWORD style = ::GetWindowLongA(m_hDlg, GWL_STYLE);
    const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_TRUE(::GetWindowLongA(m_hDlg, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    const RECT rc = WindowRect(m_hDlg);
    EXPECT_EQ(rc, CenteredIn(WorkArea(), rc));
}

TEST_F(StatusDialogTest, IsOwnedByARegisteredMainWindowButStillCentredOnTheWorkArea) {
    auto* pFrame = new CFrameWnd;  // frees itself
    ASSERT_TRUE(pFrame->Create(nullptr, "main"));
    m_app.m_pMainWnd = pFrame;
    CZapwickDlg dlg;
    ASSERT_TRUE(dlg.Create(IDD_ZAPWICK_DIALOG));
    EXPECT_EQ(::GetWindow(dlg.GetSafeHwnd(), GW_OWNER), pFrame->GetSafeHwnd());
    const RECT rc = WindowRect(dlg.GetSafeHwnd());
    EXPECT_EQ(rc, CenteredIn(WorkArea(), rc)) << "the hidden owner cannot be the centre";
    dlg.DestroyWindow();
    m_app.m_pMainWnd = nullptr;
    pFrame->DestroyWindow();
}

TEST_F(StatusDialogTest, ControlsFollowTheTemplateInTabOrder) {
    struct Control {
        int nId;
        const char* pszClass;
        const char* pszText;
        DWORD dwStyle;  // the bits that must be set
        RECT rcUnits;   // x, y, width, height in dialog units
    } expected[] = {
        {IDC_EXIT, "Button", "Exit", WS_CHILD | WS_VISIBLE | WS_TABSTOP, {183, 119, 38, 14}},
        {IDC_HIDE, "Button", "Hide", WS_CHILD | WS_VISIBLE | WS_TABSTOP, {95, 119, 38, 14}},
        {0xFFFF,
         "Static",
         "The program is used for stopping all annoying pop-up ad windows and Messenger pop-up "
         "spams when you surf the internet.",
         WS_CHILD | WS_VISIBLE | WS_GROUP,
         {7, 6, 221, 32}},
        {ID_TRAY_HELP, "Button", "Help", WS_CHILD | WS_VISIBLE | WS_TABSTOP, {139, 119, 38, 14}},
    };
    HWND hChild = ::GetWindow(m_hDlg, GW_CHILD);
    for (const Control& c : expected) {
        ASSERT_NE(hChild, nullptr) << "missing control " << c.pszText;
        char cls[32] = {}, text[256] = {};
        ::GetClassNameA(hChild, cls, sizeof(cls));
        ::GetWindowTextA(hChild, text, sizeof(text));
        EXPECT_EQ(::GetDlgCtrlID(hChild) & 0xFFFF, c.nId) << c.pszText;
        EXPECT_STREQ(cls, c.pszClass);
        EXPECT_STREQ(text, c.pszText);
        const DWORD style = ::GetWindowLongA(hChild, GWL_STYLE);
        EXPECT_EQ(style & c.dwStyle, c.dwStyle) << c.pszText;
        if (lstrcmpA(c.pszClass, "Button") == 0)
            EXPECT_EQ(style & 0x0F, static_cast<DWORD>(BS_PUSHBUTTON)) << c.pszText;
        else
            EXPECT_EQ(style & SS_TYPEMASK, static_cast<DWORD>(SS_LEFT));
        EXPECT_EQ(ControlRect(hChild), DialogUnitsToClient(m_hDlg, c.rcUnits)) << c.pszText;
        hChild = ::GetWindow(hChild, GW_HWNDNEXT);
    }
    EXPECT_EQ(hChild, nullptr) << "more controls than the template has";
    EXPECT_EQ(Item(IDOK), nullptr);
    EXPECT_EQ(Item(IDCANCEL), nullptr);
}

TEST_F(StatusDialogTest, ShowsTheApplicationIconAsBothIcons) {
    HICON hIcon = ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
    ASSERT_NE(hIcon, nullptr);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(m_hDlg, WM_GETICON, ICON_BIG, 0)), hIcon);
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(m_hDlg, WM_GETICON, ICON_SMALL, 0)), hIcon);
}

TEST_F(StatusDialogTest, TheFirstShowPutsTheFocusOnExitAndTabCyclesTheButtons) {
    Show();
    EXPECT_EQ(::GetFocus(), Item(IDC_EXIT));
    Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), Item(IDC_HIDE));
    Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), Item(ID_TRAY_HELP));
    Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), Item(IDC_EXIT));

    BYTE keys[256];
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    ::SetKeyboardState(keys);
    Key(VK_TAB);
    EXPECT_EQ(::GetFocus(), Item(ID_TRAY_HELP)) << "Shift+Tab goes back";
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
}

TEST_F(StatusDialogTest, HideEscAndEnterWithoutAFocusedButtonHideItInPlace) {
    const RECT rcFirst = WindowRect(m_hDlg);
    struct Case {
        const char* what;
        std::function<void()> act;
    } cases[] = {
        {"Hide button", [&] { ::SendMessageA(Item(IDC_HIDE), BM_CLICK, 0, 0); }},
        {"Esc", [&] { Key(VK_ESCAPE); }},
        {"Enter with the focus on no button",
         [&] {
             ::SetFocus(m_hDlg);
             Key(VK_RETURN);
         }},
        {"IDOK", [&] { m_pDlg->OnOK(); }},
        {"IDCANCEL", [&] { m_pDlg->OnCancel(); }},
    };
    for (const Case& c : cases) {
        Show();
        ASSERT_TRUE(::IsWindowVisible(m_hDlg)) << c.what;
        c.act();
        PumpPending();
        EXPECT_FALSE(::IsWindowVisible(m_hDlg)) << c.what;
        EXPECT_TRUE(::IsWindow(m_hDlg)) << c.what;
        EXPECT_EQ(WindowRect(m_hDlg), rcFirst) << c.what;
    }
}

TEST_F(StatusDialogTest, ExitAndEnterOnTheFocusedExitButtonCloseTheMainWindow) {
    struct Case {
        const char* what;
        std::function<void()> act;
    } cases[] = {
        {"Exit button", [&] { ::SendMessageA(Item(IDC_EXIT), BM_CLICK, 0, 0); }},
        {"Enter with the focus on Exit", [&] { Key(VK_RETURN); }},
    };
    for (const Case& c : cases) {
        auto* pFrame = new CFrameWnd;  // frees itself
        ASSERT_TRUE(pFrame->Create(nullptr, "main"));
        HWND hFrame = pFrame->GetSafeHwnd();
        m_app.m_pMainWnd = pFrame;
        Show();
        ::SetFocus(Item(IDC_EXIT));
        ASSERT_EQ(::GetFocus(), Item(IDC_EXIT)) << c.what;
        c.act();
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hFrame); })) << c.what;
        EXPECT_TRUE(TakeQuitMessage()) << c.what;
        m_app.m_pMainWnd = nullptr;
        ::ShowWindow(m_hDlg, SW_HIDE);
    }
}

struct DrawIconCall {
    int nCalls = 0;
    HDC hDC = nullptr;
    int x = 0, y = 0;
    HICON hIcon = nullptr;
} s_drawIcon;

BOOL WINAPI RecordDrawIcon(HDC hDC, int x, int y, HICON hIcon) {
    s_drawIcon = {s_drawIcon.nCalls + 1, hDC, x, y, hIcon};
    return TRUE;
}

TEST_F(StatusDialogTest, MinimisedItPaintsTheIconInTheMiddleOfItsClientArea) {
    ImportHook hook("user32.dll", "DrawIcon", reinterpret_cast<const void*>(&RecordDrawIcon));
    ASSERT_TRUE(hook.Installed());
    s_drawIcon = {};
    ::ShowWindow(m_hDlg, SW_SHOWMINIMIZED);
    ASSERT_TRUE(::IsIconic(m_hDlg));
    // A minimised window has no client area to update, so Windows would not
    // paint it on its own; send the paint request directly.
    ::SendMessageA(m_hDlg, WM_PAINT, 0, 0);
    ASSERT_EQ(s_drawIcon.nCalls, 1);
    RECT rc;
    ::GetClientRect(m_hDlg, &rc);
    EXPECT_EQ(s_drawIcon.x, (rc.right - ::GetSystemMetrics(SM_CXICON) + 1) / 2);
    EXPECT_EQ(s_drawIcon.y, (rc.bottom - ::GetSystemMetrics(SM_CYICON) + 1) / 2);
    EXPECT_EQ(s_drawIcon.hIcon,
              ::LoadIconA(::GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME)));
    EXPECT_EQ(reinterpret_cast<HICON>(::SendMessageA(m_hDlg, WM_QUERYDRAGICON, 0, 0)),
              s_drawIcon.hIcon);

    s_drawIcon = {};
    ::ShowWindow(m_hDlg, SW_RESTORE);
    ::SendMessageA(m_hDlg, WM_PAINT, 0, 0);
    EXPECT_EQ(s_drawIcon.nCalls, 0) << "restored, it paints normally";
}

}  // namespace
