// Message tables and command routing: which handler a message or command
// reaches, along the class chain and from the frame to the application.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Pump.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "framework/WndClass.h"

namespace {

constexpr UINT WM_PING = WM_APP + 1;
constexpr UINT WM_PONG = WM_APP + 2;
constexpr UINT ID_BASE_ONLY = 100;
constexpr UINT ID_BOTH = 101;
constexpr UINT ID_APP_ONLY = 102;

std::vector<std::string> s_calls;

class CBaseWnd : public CWnd {
public:
    BOOL Create() {
        char szClass[80];
        return RegisterWndClass(szClass, 0, nullptr, nullptr, nullptr) &&
               CreateEx(0, szClass, "routing", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }

private:
    void OnPing() { s_calls.push_back("base ping"); }
    LRESULT OnPong(WPARAM wParam, LPARAM lParam) {
        s_calls.push_back("base pong");
        return wParam + lParam;
    }
    void OnBaseOnly() { s_calls.push_back("base command"); }
    void OnBoth() { s_calls.push_back("base both"); }
    static const MsgEntry s_messageEntries[];
};
const MsgEntry CBaseWnd::s_messageEntries[] = {
    OnMsg<&CBaseWnd::OnPing>(WM_PING),
    OnMsg<&CBaseWnd::OnPong>(WM_PONG),
    OnCmd<&CBaseWnd::OnBaseOnly>(ID_BASE_ONLY),
    OnCmd<&CBaseWnd::OnBoth>(ID_BOTH),
};
const MsgTable CBaseWnd::s_messageTable = MakeMsgTable(&CWnd::s_messageTable, s_messageEntries);

class CDerivedWnd : public CBaseWnd {
public:
    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }

private:
    void OnPing() { s_calls.push_back("derived ping"); }
    void OnBoth() { s_calls.push_back("derived both"); }
    static const MsgEntry s_messageEntries[];
};
const MsgEntry CDerivedWnd::s_messageEntries[] = {
    OnMsg<&CDerivedWnd::OnPing>(WM_PING),
    OnCmd<&CDerivedWnd::OnBoth>(ID_BOTH),
};
const MsgTable CDerivedWnd::s_messageTable =
    MakeMsgTable(&CBaseWnd::s_messageTable, s_messageEntries);

class RoutingTest : public ::testing::Test {
protected:
    void SetUp() override {
        s_calls.clear();
        ASSERT_TRUE(m_wnd.Create());
    }
    LRESULT Send(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0) {
        return ::SendMessageA(m_wnd.GetSafeHwnd(), nMsg, wParam, lParam);
    }
    CDerivedWnd m_wnd;
};

TEST_F(RoutingTest, TheMostDerivedRowWinsAndTheBaseRowsStillServe) {
    Send(WM_PING);
    EXPECT_EQ(Send(WM_PONG, 2, 3), 5);
    Send(WM_COMMAND, ID_BOTH);
    Send(WM_COMMAND, ID_BASE_ONLY);
    const std::vector<std::string> expected = {"derived ping", "base pong", "derived both",
                                               "base command"};
    EXPECT_EQ(s_calls, expected);
}

TEST_F(RoutingTest, UnlistedMessagesGetDefaultProcessing) {
    EXPECT_TRUE(Send(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("changed")));
    char text[32] = {};
    Send(WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    EXPECT_STREQ(text, "changed");
    Send(WM_COMMAND, 999);
    EXPECT_TRUE(s_calls.empty());
}

TEST_F(RoutingTest, OnlyMenusAcceleratorsAndClicksAreCommands) {
    HWND hButton = ::CreateWindowExA(0, "BUTTON", "b", WS_CHILD, 0, 0, 5, 5, m_wnd.GetSafeHwnd(),
                                     nullptr, nullptr, nullptr);
    const LPARAM control = reinterpret_cast<LPARAM>(hButton);
    struct Case {
        WPARAM wParam;
        LPARAM lParam;
        bool runs;
    } cases[] = {
        {MAKEWPARAM(ID_BASE_ONLY, 0), 0, true},                   // menu
        {MAKEWPARAM(ID_BASE_ONLY, 1), 0, true},                   // accelerator
        {MAKEWPARAM(ID_BASE_ONLY, BN_CLICKED), control, true},    // button click
        {MAKEWPARAM(ID_BASE_ONLY, BN_SETFOCUS), control, false},  // other notification
        {MAKEWPARAM(ID_BASE_ONLY, EN_CHANGE), control, false},
    };
    for (const Case& c : cases) {
        s_calls.clear();
        Send(WM_COMMAND, c.wParam, c.lParam);
        EXPECT_EQ(s_calls.size(), c.runs ? 1u : 0u)
            << "code " << HIWORD(c.wParam) << (c.lParam ? " from a control" : "");
    }
}

// Commands that reach a frame go to its table, then to the application's.
class CRoutingApp : public CWinApp {
public:
    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }

private:
    void OnAppOnly() { s_calls.push_back("app"); }
    void OnBoth() { s_calls.push_back("app both"); }
    static const MsgEntry s_messageEntries[];
};
const MsgEntry CRoutingApp::s_messageEntries[] = {
    OnCmd<&CRoutingApp::OnAppOnly>(ID_APP_ONLY),
    OnCmd<&CRoutingApp::OnBoth>(ID_BOTH),
};
const MsgTable CRoutingApp::s_messageTable =
    MakeMsgTable(&CWinApp::s_messageTable, s_messageEntries);

class CRoutingFrame : public CFrameWnd {
public:
    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }

private:
    void OnBoth() { s_calls.push_back("frame both"); }
    static const MsgEntry s_messageEntries[];
};
const MsgEntry CRoutingFrame::s_messageEntries[] = {
    OnCmd<&CRoutingFrame::OnBoth>(ID_BOTH),
};
const MsgTable CRoutingFrame::s_messageTable =
    MakeMsgTable(&CFrameWnd::s_messageTable, s_messageEntries);

TEST(FrameRoutingTest, CommandsPostedToTheFrameReachTheFrameThenTheApplication) {
    s_calls.clear();
    CRoutingApp app;
    auto* pFrame = new CRoutingFrame;  // frees itself with its window
    ASSERT_TRUE(pFrame->Create(nullptr, "frame"));
    HWND hFrame = pFrame->GetSafeHwnd();

    for (UINT nId : {ID_APP_ONLY, ID_BOTH, 12345u}) ::PostMessageA(hFrame, WM_COMMAND, nId, 0);
    PumpPending();
    const std::vector<std::string> expected = {"app", "frame both"};
    EXPECT_EQ(s_calls, expected);

    ::DestroyWindow(hFrame);
    EXPECT_FALSE(::IsWindow(hFrame));
}

}  // namespace
