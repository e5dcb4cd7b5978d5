// The framework's rules for windows of this process: when a window object is
// freed and what the end of the main window does (how a modal loop passes
// the end on, the end-to-end tests see), and the error mode at start-up.
#include <tuple>

#include "Support.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"

namespace {

bool s_bDeleted = false, s_bFreedInHandler = false, s_bFailCreate = false;

// A frame that says when it is freed. On WM_APP its owner deletes it from
// inside its own handler; its creation fails while s_bFailCreate is set.
class CProbeFrame : public CFrameWnd {
public:
    ~CProbeFrame() override { s_bDeleted = true; }

protected:
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override {
        if (nMsg == WM_CREATE && s_bFailCreate) return -1;
        if (nMsg == WM_APP) CWnd::DestroyAndDelete(this);
        const LRESULT lResult = nMsg == WM_APP ? 0 : CFrameWnd::WindowProc(nMsg, wParam, lParam);
        if (nMsg == WM_APP || nMsg == WM_CLOSE) s_bFreedInHandler = s_bDeleted;
        return lResult;
    }
};

TEST(LifetimeTest, AFrameIsFreedAfterTheHandlerThatEndsItAndOnlyTheMainOnePostsQuit) {
    // What ends the frame (0: its creation fails, which leaves the object to
    // its creator), and whether it is the main window.
    const std::tuple<const char*, UINT, bool> cases[] = {
        {"the main window closed", WM_CLOSE, true},
        {"another frame closed", WM_CLOSE, false},
        {"deleted by its owner", WM_APP, false},
        {"failed creation", 0, false},
    };
    for (const auto& [pszWhat, nMsg, bMain] : cases) {
        CWinApp app;
        s_bDeleted = false;
        s_bFreedInHandler = false;
        s_bFailCreate = nMsg == 0;
        auto* pFrame = new CProbeFrame;
        const BOOL bCreated = pFrame->Create(nullptr, "frame");
        HWND hFrame = pFrame->GetSafeHwnd();
        EXPECT_EQ(bCreated, nMsg != 0) << pszWhat;
        EXPECT_FALSE(s_bDeleted) << pszWhat;
        if (!bCreated) delete pFrame;
        if (bMain) app.m_pMainWnd = pFrame;
        ::SendMessageA(hFrame, nMsg, 0, 0);
        EXPECT_FALSE(s_bFreedInHandler) << pszWhat;
        EXPECT_TRUE(s_bDeleted) << pszWhat;
        EXPECT_FALSE(::IsWindow(hFrame)) << pszWhat;
        MSG quit = {};
        quit.wParam =
            ::PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? quit.wParam : 99;
        EXPECT_EQ(quit.wParam, bMain ? 0u : 99u) << pszWhat << ": the quit message's code";
        EXPECT_EQ(app.m_pMainWnd, nullptr) << pszWhat;
    }
}

TEST(StartUpTest, NoErrorBoxForADriveThatIsNotReadyNorForAFileThatCannotBeOpened) {
    ::SetErrorMode(SEM_NOGPFAULTERRORBOX);
    CWinApp().StartFramework(::GetModuleHandleA(nullptr), nullptr, SW_SHOW);
    const UINT nMode = ::SetErrorMode(0);
    for (UINT nFlag : {SEM_FAILCRITICALERRORS, SEM_NOOPENFILEERRORBOX, SEM_NOGPFAULTERRORBOX})
        EXPECT_TRUE(nMode & nFlag) << "error mode " << nMode << " lacks " << nFlag;
}

}  // namespace
