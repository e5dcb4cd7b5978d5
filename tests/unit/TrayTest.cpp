// The tray icon window in this process: the shell's notifications turned into
// click, double-click and right-click events, and the icon taken away.
#include <tuple>

#include "Support.h"
#include "tray/AppTrayWnd.h"

namespace {

// A tray window that notes its events, C, D and R, instead of acting on them.
class CEventTrayWnd : public CTrayIconWnd {
public:
    void OnTrayClick() override { m_events += 'C'; }
    void OnTrayDoubleClick() override { m_events += 'D'; }
    void OnTrayRightClick() override { m_events += 'R'; }
    std::string m_events;
};

constexpr UINT DOWN = WM_LBUTTONDOWN, UP = WM_LBUTTONUP, DBL = WM_LBUTTONDBLCLK;
constexpr UINT WAIT = 0;  // until the click timer has fired
constexpr WPARAM OURS = TRAY_ICON_ID, OTHER = TRAY_ICON_ID + 1;

TEST(ClickMachineTest, SequencesOfNotificationsMakeTheseEventsFromPostedMessages) {
    // The notifications for an icon, and the events they make.
    const std::tuple<std::vector<UINT>, WPARAM, std::string> cases[] = {
        {{DOWN, UP, WAIT}, OURS, "C"},
        {{DOWN, UP, DBL, UP}, OURS, "D"},
        {{DOWN, UP, WAIT, DBL, UP}, OURS, "CD"},  // the double click told after the timer fired
        {{DOWN, UP, DBL, UP, UP}, OURS, "DD"},    // a lone release after a double click
        {{DOWN, UP, DBL, UP, DOWN, UP, WAIT}, OURS, "DC"},
        {{UP, WM_RBUTTONDOWN, WM_MOUSEMOVE, WM_MBUTTONUP, WM_RBUTTONDBLCLK, WM_CONTEXTMENU},
         OURS,
         ""},
        {{DOWN, WM_RBUTTONDOWN, WM_RBUTTONUP, WAIT}, OURS, "RC"},
        {{DOWN, UP, DBL, UP, WM_RBUTTONUP}, OTHER, ""},
    };
    std::vector<CEventTrayWnd*> windows;  // each frees itself with its window
    for (const auto& [steps, nIcon, events] : cases) {
        CEventTrayWnd* pWnd = windows.emplace_back(new CEventTrayWnd);
        ASSERT_TRUE(pWnd->Create());
        DWORD pressed = 0;
        for (UINT nStep : steps) {
            const size_t nEvents = pWnd->m_events.size();
            if (nStep == WAIT) {
                EXPECT_TRUE(PumpUntil([&] { return pWnd->m_events.size() > nEvents; }));
                // Timers may fire a tick early.
                EXPECT_GE(::GetTickCount() - pressed + 20, ::GetDoubleClickTime());
                continue;
            }
            pressed = nStep == DOWN ? ::GetTickCount() : pressed;
            EXPECT_EQ(::SendMessageA(pWnd->GetSafeHwnd(), WM_TRAY_NOTIFY, nIcon, nStep), 0);
            EXPECT_EQ(pWnd->m_events.size(), nEvents) << "not run inside the notification";
            PumpUntil([] { return true; }, 0);  // what is queued
        }
    }
    // Long enough for every click timer still running to fire, as the waits above did.
    PumpUntil([] { return false; }, ::GetDoubleClickTime() + 200);
    for (size_t i = 0; i < windows.size(); ++i) {
        EXPECT_EQ(windows[i]->m_events, std::get<2>(cases[i])) << "case " << i;
        windows[i]->DestroyWindow();
    }
}

TEST(AppTrayTest, TakesItsIconAwayAsItsWindowIsDestroyed) {
    BOOL bBlocking = TRUE;
    const std::vector<HWND> before = TrayIcons();
    auto* pWnd = new CAppTrayWnd(bBlocking);  // frees itself with its window
    ASSERT_TRUE(pWnd->Create());
    const std::vector<HWND> added = WaitForNewIcons(before);
    ASSERT_EQ(added.size(), 1u);
    // Wine drops an icon together with its window, so the delete request shows
    // only while the window is still there: WM_DESTROY is sent by hand first.
    // Its own slot is watched: the tray may drop a dead program's icon meanwhile.
    ::SendMessageA(pWnd->GetSafeHwnd(), WM_DESTROY, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(added[0]); }));
    pWnd->DestroyWindow();
}

}  // namespace
