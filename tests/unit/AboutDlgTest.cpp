// The About box run modally in this process: its template, how keys and
// buttons end it, and what it leaves behind. The checks run from a timer
// inside the box's own message loop.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "Pump.h"
#include "RectCompare.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "ui/AboutDlg.h"

namespace {

std::function<void(HWND)> s_whileOpen;
HWND s_hSeen = nullptr;

void CALLBACK InspectAboutBox(HWND, UINT, UINT_PTR nId, DWORD) {
    HWND hBox = ::FindWindowA("#32770", "About Zapwick");
    if (!hBox || !::IsWindowVisible(hBox)) return;  // not shown yet
    ::KillTimer(nullptr, nId);
    s_hSeen = hBox;
    s_whileOpen(hBox);
}

class AboutDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_pFrame = new CFrameWnd;  // frees itself
        ASSERT_TRUE(m_pFrame->Create(nullptr, "main"));
        m_app.m_pMainWnd = m_pFrame;
        s_hSeen = nullptr;
    }
    void TearDown() override {
        m_app.m_pMainWnd = nullptr;
        m_pFrame->DestroyWindow();
    }
    // Runs the box; `whileOpen` acts on it once it is shown.
    INT_PTR Run(std::function<void(HWND)> whileOpen) {
        s_whileOpen = std::move(whileOpen);
        ::SetTimer(nullptr, 0, 20, &InspectAboutBox);
        CAboutDlg dlg;
        return dlg.DoModal();
    }
    void Key(HWND hBox, UINT vk) {
        HWND hFocus = ::GetFocus();
        ::PostMessageA(hFocus ? hFocus : hBox, WM_KEYDOWN, vk, 1);
    }

    CWinApp m_app{"Zapwick"};
    CFrameWnd* m_pFrame = nullptr;
};

TEST_F(AboutDlgTest, FollowsItsTemplate) {
    const INT_PTR nResult = Run([&](HWND hBox) {
        EXPECT_EQ(::GetWindow(hBox, GW_OWNER), m_pFrame->GetSafeHwnd());
        EXPECT_FALSE(::IsWindowEnabled(m_pFrame->GetSafeHwnd()));
        const DWORD style = ::GetWindowLongA(hBox, GWL_STYLE);
        const DWORD wanted = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        EXPECT_EQ(style & wanted, wanted);
        EXPECT_EQ(::GetWindowLongA(hBox, GWL_EXSTYLE) & WS_EX_APPWINDOW, 0);

        struct Control {
            int nId;
            const char* pszClass;
            const char* pszText;  // null: not compared
            DWORD dwStyle;
            RECT rcUnits;  // x, y, width, height
        } expected[] = {
            {0xFFFF, "Static", nullptr, WS_CHILD | WS_VISIBLE | SS_ICON, {11, 17, 20, 20}},
            {0xFFFF,
             "Static",
             "Zapwick Version 1.1",
             WS_CHILD | WS_VISIBLE | WS_GROUP | SS_NOPREFIX,
             {40, 10, 119, 8}},
            {0xFFFF, "Static", nullptr, WS_CHILD | WS_VISIBLE | WS_GROUP, {40, 25, 188, 8}},
            {IDOK,
             "Button",
             "OK",
             WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP | BS_DEFPUSHBUTTON,
             {178, 7, 50, 14}},
        };
        HWND hChild = ::GetWindow(hBox, GW_CHILD);
        for (const Control& c : expected) {
            ASSERT_NE(hChild, nullptr);
            char cls[32] = {}, text[128] = {};
            ::GetClassNameA(hChild, cls, sizeof(cls));
            ::GetWindowTextA(hChild, text, sizeof(text));
            EXPECT_EQ(::GetDlgCtrlID(hChild) & 0xFFFF, c.nId);
            EXPECT_STREQ(cls, c.pszClass);
            if (c.pszText) {
                EXPECT_STREQ(text, c.pszText);
            }
            EXPECT_EQ(::GetWindowLongA(hChild, GWL_STYLE) & c.dwStyle, c.dwStyle) << cls << text;
            if (lstrcmpA(cls, "Static") == 0 && (c.dwStyle & SS_TYPEMASK) == SS_ICON) {
                // The icon control takes the icon's own size.
                EXPECT_NE(::SendMessageA(hChild, STM_GETICON, 0, 0), 0);
            } else {
                EXPECT_EQ(ControlRect(hChild), DialogUnitsToClient(hBox, c.rcUnits)) << text;
            }
            hChild = ::GetWindow(hChild, GW_HWNDNEXT);
        }
        EXPECT_EQ(hChild, nullptr);
        char notice[128] = {};
        ::GetWindowTextA(
            ::GetWindow(::GetWindow(::GetWindow(hBox, GW_CHILD), GW_HWNDNEXT), GW_HWNDNEXT), notice,
            sizeof(notice));
        EXPECT_NE(std::string(notice).find("Morvane"), std::string::npos);
        ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    });
    EXPECT_EQ(nResult, IDOK);
    ASSERT_NE(s_hSeen, nullptr);
    EXPECT_FALSE(::IsWindow(s_hSeen)) << "destroyed when it ends";
    EXPECT_TRUE(::IsWindowEnabled(m_pFrame->GetSafeHwnd()));
}

TEST_F(AboutDlgTest, EnterAndOkEndItWithOkEscAndTheCloseBoxWithCancel) {
    struct Case {
        const char* what;
        std::function<void(HWND)> act;
        INT_PTR result;
    } cases[] = {
        {"Enter", [&](HWND hBox) { Key(hBox, VK_RETURN); }, IDOK},
        {"OK button", [](HWND hBox) { ::SendMessageA(::GetDlgItem(hBox, IDOK), BM_CLICK, 0, 0); },
         IDOK},
        {"Esc", [&](HWND hBox) { Key(hBox, VK_ESCAPE); }, IDCANCEL},
        {"close box", [](HWND hBox) { ::PostMessageA(hBox, WM_SYSCOMMAND, SC_CLOSE, 0); },
         IDCANCEL},
    };
    SetMessageFilter(nullptr);
    for (const Case& c : cases) {
        EXPECT_EQ(Run(c.act), c.result) << c.what;
        EXPECT_FALSE(::IsWindow(s_hSeen)) << c.what;
    }
}

TEST_F(AboutDlgTest, AQuitMessageEndsItAndIsPassedOn) {
    EXPECT_EQ(Run([](HWND) { ::PostQuitMessage(7); }), -1);
    EXPECT_FALSE(::IsWindow(s_hSeen));
    WPARAM code = 0;
    EXPECT_TRUE(TakeQuitMessage(&code));
    EXPECT_EQ(code, 7u);
}

}  // namespace
