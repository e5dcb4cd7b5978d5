// The hidden main frame in this process: how it is created, what its timer
// does, and how it ends.
#include <gtest/gtest.h>

#include "Pump.h"
#include "RecordingWindow.h"
#include "app/MainFrame.h"
#include "app/ZapwickApp.h"
#include "tray/AppTrayWnd.h"
#include "ui/ZapwickDlg.h"

namespace {

constexpr DWORD POPUP = WS_POPUP | WS_CAPTION | WS_SYSMENU;

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_app.InitInstance());
        m_pFrame = CZapwickApp::MainFrame();
        ASSERT_NE(m_pFrame, nullptr);
        m_hFrame = m_pFrame->GetSafeHwnd();
        ASSERT_TRUE(::IsWindow(m_hFrame));
    }
    void TearDown() override {
        if (::IsWindow(m_hFrame)) ::SendMessageA(m_hFrame, WM_CLOSE, 0, 0);
        TakeQuitMessage();
    }

    CZapwickApp m_app;
    CMainFrame* m_pFrame = nullptr;
    HWND m_hFrame = nullptr;
};

TEST_F(MainFrameTest, IsAnInvisibleOverlappedWindowNamedHelloWorld) {
    char text[64] = {};
    ::GetWindowTextA(m_hFrame, text, sizeof(text));
    EXPECT_STREQ(text, "Hello World!");
    EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(m_hFrame, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
              0x00CF0000u);
    EXPECT_FALSE(::IsWindowVisible(m_hFrame));
    EXPECT_TRUE(::GetWindowLongA(m_hFrame, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    EXPECT_EQ(::GetParent(m_hFrame), nullptr);
    EXPECT_EQ(::GetMenu(m_hFrame), nullptr);
    EXPECT_EQ(m_pFrame->m_bBlockingEnabled, TRUE);

    EXPECT_EQ(::GetClassLongA(m_hFrame, GCL_STYLE), 0u);
    EXPECT_EQ(::GetClassLongPtrA(m_hFrame, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(static_cast<DWORD>(COLOR_WINDOW + 1)));
    EXPECT_EQ(reinterpret_cast<HCURSOR>(::GetClassLongPtrA(m_hFrame, GCLP_HCURSOR)),
              ::LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_EQ(::GetClassLongPtrA(m_hFrame, GCLP_HICON), 0u);
}

TEST_F(MainFrameTest, ItsScanTimerClosesPopupsAndOtherTimerIdsDoNothing) {
    RecordingClass browser("IEFrame", {WM_SYSCOMMAND});
    HWND hPopup = browser.Create(POPUP | WS_VISIBLE);

    for (UINT_PTR nId : {0u, 2u, 4u, 5u, 0xFFFFu}) ::PostMessageA(m_hFrame, WM_TIMER, nId, 0);
    PumpPending();
    EXPECT_EQ(browser.CountFor(hPopup, WM_SYSCOMMAND), 0u) << "only timer 1 scans";

    ::PostMessageA(m_hFrame, WM_TIMER, TIMER_SCAN, 0);
    PumpPending();
    EXPECT_EQ(browser.CountFor(hPopup, WM_SYSCOMMAND), 1u);

    // And the real timer keeps asking, every half second.
    EXPECT_TRUE(PumpUntil([&] { return browser.CountFor(hPopup, WM_SYSCOMMAND) >= 3; }, 3000));
}

TEST_F(MainFrameTest, UnknownCommandsChangeNothing) {
    for (UINT nId : {0u, 1u, 2u, 999u, 32770u, 40000u, 0xFFFFu})
        ::PostMessageA(m_hFrame, WM_COMMAND, nId, 0);
    PumpPending();
    EXPECT_TRUE(::IsWindow(m_hFrame));
    EXPECT_FALSE(::IsWindowVisible(m_hFrame));
    EXPECT_FALSE(TakeQuitMessage());
}

TEST_F(MainFrameTest, CloseEndsTheProgramWithCodeZero) {
    ASSERT_NE(m_pFrame->m_pStatusDlg, nullptr);
    ASSERT_NE(m_pFrame->m_pTrayWnd, nullptr);
    HWND hDlg = m_pFrame->m_pStatusDlg->GetSafeHwnd();
    HWND hTray = m_pFrame->m_pTrayWnd->GetSafeHwnd();
    ASSERT_TRUE(::IsWindow(hDlg) && ::IsWindow(hTray));
    ::PostMessageA(m_hFrame, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(m_hFrame); }));
    WPARAM code = 99;
    EXPECT_TRUE(TakeQuitMessage(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(m_app.m_pMainWnd, nullptr);
    EXPECT_EQ(CZapwickApp::MainFrame(), nullptr);
    EXPECT_FALSE(::IsWindow(hDlg)) << "the status dialog goes with the frame";
    EXPECT_FALSE(::IsWindow(hTray)) << "and so does the tray window";
}

}  // namespace
