// The tray icon window in this process: the shell's notifications turned into
// click, double-click and right-click events.
#include "Support.h"
#include "tray/TrayIconWnd.h"

namespace {

// A tray window that notes its events, C, D and R, instead of acting on them.
class CEventTrayWnd : public CTrayIconWnd {
public:
    void OnTrayClick() override { m_events += 'C'; }
    void OnTrayDoubleClick() override { m_events += 'D'; }
    void OnTrayRightClick() override { m_events += 'R'; }
    std::string m_events;
};

constexpr UINT DOWN = WM_LBUTTONDOWN, UP = WM_LBUTTONUP, DBL = WM_LBUTTONDBLCLK, RUP = WM_RBUTTONUP;
constexpr UINT WAIT = 0;  // until the click timer has fired

TEST(ClickMachineTest, SequencesOfNotificationsMakeTheseEvents) {
    struct Case {
        const char* what;
        std::vector<UINT> steps;
        std::string events;
        WPARAM nIcon = TRAY_ICON_ID;
    } cases[] = {
        {"single click", {DOWN, UP, WAIT}, "C"},
        {"double click", {DOWN, UP, DBL, UP}, "D"},
        {"double click notified after the timer", {DOWN, UP, WAIT, DBL, UP}, "CD"},
        {"a lone release after a double click", {DOWN, UP, DBL, UP, UP}, "DD"},
        {"a release alone", {UP}, ""},
        {"a right press alone", {WM_RBUTTONDOWN}, ""},
        {"a right click while the left waits", {DOWN, WM_RBUTTONDOWN, RUP, WAIT}, "RC"},
        {"other mouse values", {WM_MOUSEMOVE, WM_MBUTTONUP, WM_RBUTTONDBLCLK, WM_CONTEXTMENU}, ""},
        {"another icon's", {DOWN, UP, DBL, UP, RUP}, "", TRAY_ICON_ID + 1},
    };
    std::vector<CEventTrayWnd*> windows;  // each frees itself with its window
    for (const Case& c : cases) {
        windows.push_back(new CEventTrayWnd);
        CEventTrayWnd* pWnd = windows.back();
        ASSERT_TRUE(pWnd->Create());
        for (UINT nStep : c.steps) {
            const size_t nEvents = pWnd->m_events.size();
            if (nStep == WAIT)
                EXPECT_TRUE(PumpUntil([&] { return pWnd->m_events.size() > nEvents; })) << c.what;
            else
                EXPECT_EQ(::SendMessageA(pWnd->GetSafeHwnd(), WM_TRAY_NOTIFY, c.nIcon, nStep), 0);
            PumpPending();
        }
    }
    // Long enough for every click timer still running to fire, as the waits above did.
    PumpUntil([] { return false; }, ::GetDoubleClickTime() + 200);
    for (size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(windows[i]->m_events, cases[i].events) << cases[i].what;
        windows[i]->DestroyWindow();
    }
}

TEST(ClickMachineTest, EventsComeFromPostedMessagesAClickAfterTheDoubleClickTime) {
    auto* pWnd = new CEventTrayWnd;  // frees itself with its window
    ASSERT_TRUE(pWnd->Create());
    for (UINT nMouse : {DOWN, UP, DBL, UP, RUP})
        ::SendMessageA(pWnd->GetSafeHwnd(), WM_TRAY_NOTIFY, TRAY_ICON_ID, nMouse);
    EXPECT_EQ(pWnd->m_events, "") << "nothing runs inside the shell's notification";
    PumpPending();
    EXPECT_EQ(pWnd->m_events, "DR");

    const DWORD start = ::GetTickCount();
    ::SendMessageA(pWnd->GetSafeHwnd(), WM_TRAY_NOTIFY, TRAY_ICON_ID, DOWN);
    ASSERT_TRUE(PumpUntil([&] { return pWnd->m_events == "DRC"; }));
    EXPECT_GE(::GetTickCount() - start + 20, ::GetDoubleClickTime());  // timers may be a tick early
    pWnd->DestroyWindow();
}

}  // namespace
