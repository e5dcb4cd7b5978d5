// The generic tray window: the click state machine, fed the shell's
// notifications as tables of sequences, and the records it hands the shell.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "ImportHook.h"
#include "Pump.h"
#include "tray/TrayIconWnd.h"

namespace {

std::vector<std::string> s_events;

class CRecordingTrayWnd : public CTrayIconWnd {
public:
    explicit CRecordingTrayWnd(bool* pDeleted = nullptr) : m_pDeleted(pDeleted) {}
    ~CRecordingTrayWnd() override {
        if (m_pDeleted) *m_pDeleted = true;
    }
    void OnTrayRightClick() override { s_events.push_back("right"); }
    void OnTrayClick() override { s_events.push_back("click"); }
    void OnTrayDoubleClick() override { s_events.push_back("double"); }
    using CTrayIconWnd::s_hLastIcon;

private:
    bool* m_pDeleted;
};

// One step of a sequence: a notification for icon `id` with mouse value `mouse`,
// or (mouse == 0) waiting until the click timer has fired.
struct Step {
    UINT mouse;
    UINT id = TRAY_ICON_ID;
};
constexpr UINT TIMER_FIRES = 0;

class ClickMachineTest : public ::testing::Test {
protected:
    void SetUp() override { NewWindow(); }
    void TearDown() override { ::DestroyWindow(m_hWnd); }

    // A window in its first state: no click pending, no double click seen.
    void NewWindow() {
        if (m_hWnd) ::DestroyWindow(m_hWnd);
        s_events.clear();
        m_pWnd = new CRecordingTrayWnd;  // frees itself
        ASSERT_TRUE(m_pWnd->Create());
        m_hWnd = m_pWnd->GetSafeHwnd();
    }

    void Run(const std::vector<Step>& steps) {
        for (const Step& step : steps) {
            if (step.mouse == TIMER_FIRES) {
                const size_t before = s_events.size();
                ASSERT_TRUE(PumpUntil([&] { return s_events.size() > before; }, 3000))
                    << "the click timer never fired";
                continue;
            }
            EXPECT_EQ(::SendMessageA(m_hWnd, WM_TRAY_NOTIFY, step.id, step.mouse), 0);
            PumpPending();
        }
    }
    // Long enough for a pending click timer to have fired.
    void WaitOutTheDoubleClickTime() { PumpFor(::GetDoubleClickTime() + 150); }

    CRecordingTrayWnd* m_pWnd = nullptr;
    HWND m_hWnd = nullptr;
};

TEST_F(ClickMachineTest, SequencesOfNotificationsMakeTheseEvents) {
    const UINT DOWN = WM_LBUTTONDOWN, UP = WM_LBUTTONUP, DBL = WM_LBUTTONDBLCLK;
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::vector<std::string> events;
    } cases[] = {
        {"single click", {{DOWN}, {UP}, {TIMER_FIRES}}, {"click"}},
        {"double click", {{DOWN}, {UP}, {DBL}, {UP}}, {"double"}},
        {"double click notified after the timer fired",
         {{DOWN}, {UP}, {TIMER_FIRES}, {DBL}, {UP}},
         {"click", "double"}},
        {"a lone release after a double click",
         {{DOWN}, {UP}, {DBL}, {UP}, {UP}},
         {"double", "double"}},
        {"a release without a press", {{UP}}, {}},
        {"right press alone", {{WM_RBUTTONDOWN}}, {}},
        {"right click", {{WM_RBUTTONDOWN}, {WM_RBUTTONUP}}, {"right"}},
        {"right click while the left waits",
         {{DOWN}, {WM_RBUTTONUP}, {TIMER_FIRES}},
         {"right", "click"}},
        {"another icon's notifications",
         {{DOWN, 101}, {UP, 101}, {DBL, 101}, {UP, 101}, {WM_RBUTTONUP, 101}, {WM_RBUTTONUP, 0}},
         {}},
        {"other mouse values",
         {{WM_MOUSEMOVE},
          {WM_MBUTTONDOWN},
          {WM_MBUTTONUP},
          {WM_RBUTTONDBLCLK},
          {WM_CONTEXTMENU},
          {NIN_SELECT},
          {0xFFFF}},
         {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        NewWindow();
        Run(c.steps);
        WaitOutTheDoubleClickTime();
        EXPECT_EQ(s_events, c.events);
    }
}

TEST_F(ClickMachineTest, AClickWaitsForTheDoubleClickTime) {
    const DWORD start = ::GetTickCount();
    Run({{WM_LBUTTONDOWN}, {WM_LBUTTONUP}});
    EXPECT_TRUE(s_events.empty()) << "not before the double-click time";
    ASSERT_TRUE(PumpUntil([] { return !s_events.empty(); }, 3000));
    // Timers may fire up to one tick early of the nominal time on Wine.
    EXPECT_GE(::GetTickCount() - start + 20, ::GetDoubleClickTime());
}

TEST_F(ClickMachineTest, EventsRunAfterTheNotificationReturns) {
    ::SendMessageA(m_hWnd, WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_RBUTTONUP);
    EXPECT_TRUE(s_events.empty()) << "posted, not called from the notification";
    PumpPending();
    EXPECT_EQ(s_events, std::vector<std::string>{"right"});
}

TEST_F(ClickMachineTest, OtherTimersAreIgnored) {
    for (UINT_PTR nId : {0u, 1u, 5u, 77u}) ::PostMessageA(m_hWnd, WM_TIMER, nId, 0);
    PumpPending();
    EXPECT_TRUE(s_events.empty());
}

struct CreateCall {
    DWORD dwExStyle, dwStyle;
    std::string name;
    int x, y, cx, cy;
    HWND hParent;
    HMENU hMenu;
    void* pParam;
} s_create;
ImportHook* s_pCreateHook = nullptr;

HWND WINAPI RecordCreateWindowExA(DWORD dwExStyle, LPCSTR pszClass, LPCSTR pszName, DWORD dwStyle,
                                  int x, int y, int cx, int cy, HWND hParent, HMENU hMenu,
                                  HINSTANCE hInstance, void* pParam) {
    s_create = {dwExStyle, dwStyle, pszName ? pszName : "", x, y, cx, cy, hParent, hMenu, pParam};
    return s_pCreateHook->Original<decltype(&CreateWindowExA)>()(
        dwExStyle, pszClass, pszName, dwStyle, x, y, cx, cy, hParent, hMenu, hInstance, pParam);
}

TEST(TrayIconWndTest, CreatesAHiddenZeroSizedToolWindowAndFreesItselfWithIt) {
    ImportHook hook("user32.dll", "CreateWindowExA",
                    reinterpret_cast<const void*>(&RecordCreateWindowExA));
    ASSERT_TRUE(hook.Installed());
    s_pCreateHook = &hook;
    bool bDeleted = false;
    auto* pWnd = new CRecordingTrayWnd(&bDeleted);
    ASSERT_TRUE(pWnd->Create());
    HWND hWnd = pWnd->GetSafeHwnd();
    EXPECT_EQ(s_create.dwExStyle, static_cast<DWORD>(WS_EX_TOOLWINDOW));
    EXPECT_EQ(s_create.dwStyle, 0u);
    EXPECT_EQ(s_create.name, "TrayIconHandler");
    EXPECT_EQ(s_create.x | s_create.y | s_create.cx | s_create.cy, 0);
    EXPECT_EQ(s_create.hParent, nullptr);
    EXPECT_EQ(s_create.hMenu, nullptr);
    EXPECT_EQ(s_create.pParam, nullptr);
    EXPECT_FALSE(::IsWindowVisible(hWnd));
    EXPECT_EQ(::GetWindow(hWnd, GW_OWNER), nullptr);
    EXPECT_EQ(::GetClassLongA(hWnd, GCL_STYLE), 0u);
    EXPECT_EQ(::GetClassLongPtrA(hWnd, GCLP_HCURSOR), 0u);
    EXPECT_EQ(::GetClassLongPtrA(hWnd, GCLP_HBRBACKGROUND), 0u);
    EXPECT_EQ(::GetClassLongPtrA(hWnd, GCLP_HICON), 0u);

    ::SendMessageA(hWnd, WM_CLOSE, 0, 0);
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_TRUE(bDeleted);
}

// What NotifyIcon hands the shell, captured from the import.
struct ShellCall {
    DWORD dwMessage;
    NOTIFYICONDATAA data;
};
std::vector<ShellCall> s_shellCalls;
BOOL s_shellAnswer = TRUE;

BOOL WINAPI RecordShellNotifyIcon(DWORD dwMessage, PNOTIFYICONDATAA pData) {
    ShellCall call = {dwMessage, {}};
    memcpy(&call.data, pData, NOTIFYICONDATAA_V2_SIZE);
    s_shellCalls.push_back(call);
    return s_shellAnswer;
}

class NotifyIconTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_hook.Installed());
        s_shellCalls.clear();
        s_shellAnswer = TRUE;
        for (auto*& pWnd : m_windows) {
            pWnd = new CRecordingTrayWnd;  // frees itself
            ASSERT_TRUE(pWnd->Create());
        }
    }
    void TearDown() override {
        for (auto* pWnd : m_windows) pWnd->DestroyWindow();
    }
    HICON Icon(LPCSTR pszId) { return ::LoadIconA(nullptr, pszId); }

    ImportHook m_hook{"shell32.dll", "Shell_NotifyIconA",
                      reinterpret_cast<const void*>(&RecordShellNotifyIcon)};
    CRecordingTrayWnd* m_windows[2] = {};
};

TEST_F(NotifyIconTest, SendsTheIconOnlyWhenItDiffersFromTheLastOneOfTheProcess) {
    // In a fresh process no icon has been sent yet.
    ASSERT_EQ(CRecordingTrayWnd::s_hLastIcon, nullptr);
    HICON hApp = Icon(IDI_APPLICATION), hWarn = Icon(IDI_WARNING);
    CRecordingTrayWnd& first = *m_windows[0];
    CRecordingTrayWnd& second = *m_windows[1];
    struct Case {
        CRecordingTrayWnd* pWnd;
        DWORD dwMessage;
        HICON hIcon;
        LPCSTR pszTip;
        UINT uFlags;
    } cases[] = {
        {&first, NIM_ADD, hApp, "Zapwick", NIF_MESSAGE | NIF_ICON | NIF_TIP},  // 7
        {&first, NIM_MODIFY, hApp, "Zapwick", NIF_MESSAGE | NIF_TIP},          // 5
        {&first, NIM_DELETE, nullptr, nullptr, NIF_MESSAGE},                   // 1
        {&first, NIM_ADD, hApp, "again", NIF_MESSAGE | NIF_TIP},  // never reset by a delete
        {&second, NIM_ADD, hApp, nullptr, NIF_MESSAGE},           // shared by all windows
        {&second, NIM_MODIFY, hWarn, nullptr, NIF_MESSAGE | NIF_ICON},
        {&first, NIM_MODIFY, nullptr, nullptr, NIF_MESSAGE},  // null changes nothing
        {&first, NIM_MODIFY, hWarn, nullptr, NIF_MESSAGE},
        {&first, NIM_MODIFY, hApp, nullptr, NIF_MESSAGE | NIF_ICON},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(c.pWnd->NotifyIcon(c.dwMessage, c.hIcon, c.pszTip));
        ASSERT_EQ(s_shellCalls.size(), 1u) << "exactly one call per request";
        const ShellCall& call = s_shellCalls.back();
        SCOPED_TRACE(testing::Message() << "request " << (&c - cases));
        EXPECT_EQ(call.dwMessage, c.dwMessage);
        EXPECT_EQ(call.data.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
        EXPECT_EQ(call.data.hWnd, c.pWnd->GetSafeHwnd());
        EXPECT_EQ(call.data.uID, 100u);
        EXPECT_EQ(call.data.uFlags, c.uFlags);
        EXPECT_EQ(call.data.uCallbackMessage, 0x05F4u);
        EXPECT_EQ(call.data.hIcon, (c.uFlags & NIF_ICON) ? c.hIcon : nullptr);
        EXPECT_STREQ(call.data.szTip, (c.uFlags & NIF_TIP) ? c.pszTip : "");
        EXPECT_EQ(call.data.dwState, 0u);
        EXPECT_EQ(call.data.dwInfoFlags, 0u);
        s_shellCalls.clear();
    }
}

TEST_F(NotifyIconTest, CopiesA127CharacterTipWholeAndCutsALongerOne) {
    const std::string tip127(127, 'a');
    std::string tip300(300, 'b');
    m_windows[0]->NotifyIcon(NIM_MODIFY, nullptr, tip127.c_str());
    m_windows[0]->NotifyIcon(NIM_MODIFY, nullptr, tip300.c_str());
    ASSERT_EQ(s_shellCalls.size(), 2u);
    EXPECT_EQ(std::string(s_shellCalls[0].data.szTip), tip127);
    EXPECT_EQ(std::string(s_shellCalls[1].data.szTip), std::string(127, 'b'));
    // Nothing after the tip was written.
    EXPECT_EQ(s_shellCalls[1].data.dwState, 0u);
    EXPECT_EQ(s_shellCalls[1].data.dwStateMask, 0u);
    EXPECT_EQ(s_shellCalls[1].data.szInfo[0], '\0');
}

TEST_F(NotifyIconTest, ReturnsTheShellsAnswer) {
    s_shellAnswer = FALSE;
    EXPECT_FALSE(m_windows[0]->NotifyIcon(NIM_MODIFY, nullptr, "x"));
    s_shellAnswer = TRUE;
    EXPECT_TRUE(m_windows[0]->NotifyIcon(NIM_MODIFY, nullptr, "x"));
}

}  // namespace
