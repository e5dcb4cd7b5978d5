// Who frees a window object and when: self-owning frames, deletion that waits
// for a handler still on the stack, failed creation, and the end of a session.
#include <gtest/gtest.h>

#include <functional>

#include "Pump.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "framework/WndClass.h"

namespace {

constexpr UINT WM_PROBE = WM_APP + 7;

// A window whose WM_PROBE handler runs a test's code while it is on the stack.
class CProbeWnd : public CWnd {
public:
    explicit CProbeWnd(bool* pDeleted, bool bOwnsItself = false, bool bFailCreate = false)
        : m_pDeleted(pDeleted), m_bOwnsItself(bOwnsItself), m_bFailCreate(bFailCreate) {}
    ~CProbeWnd() override { *m_pDeleted = true; }

    BOOL Create() {
        char szClass[80];
        return RegisterWndClass(szClass, 0, nullptr, nullptr, nullptr) &&
               CreateEx(0, szClass, "probe", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }
    LRESULT Probe() { return ::SendMessageA(m_hWnd, WM_PROBE, 0, 0); }

    std::function<void(CProbeWnd&)> m_onProbe;
    bool* m_pSawDestroy = nullptr;
    int m_nValue = 42;
    using CWnd::Default;

    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }
    void PostNcDestroy() override {
        if (m_bOwnsItself) delete this;
    }

private:
    int OnCreate(LPCREATESTRUCTA) { return m_bFailCreate ? -1 : 0; }
    void OnDestroy() {
        if (m_pSawDestroy) *m_pSawDestroy = true;
    }
    void OnProbe() {
        if (m_onProbe) m_onProbe(*this);
        Default();
    }

    bool* m_pDeleted;
    bool m_bOwnsItself;
    bool m_bFailCreate;
    static const MsgEntry s_messageEntries[];
};
const MsgEntry CProbeWnd::s_messageEntries[] = {
    OnMsg<&CProbeWnd::OnCreate>(WM_CREATE),
    OnMsg<&CProbeWnd::OnDestroy>(WM_DESTROY),
    OnMsg<&CProbeWnd::OnProbe>(WM_PROBE),
};
const MsgTable CProbeWnd::s_messageTable = MakeMsgTable(&CWnd::s_messageTable, s_messageEntries);

TEST(WindowLifetimeTest, DeletionWaitsForTheTargetsHandlerToReturn) {
    // What a modal loop inside a handler allows: the owner deletes the object
    // while that handler is still running.
    bool bDeleted = false;
    auto* pWnd = new CProbeWnd(&bDeleted);
    ASSERT_TRUE(pWnd->Create());
    HWND hWnd = pWnd->GetSafeHwnd();
    bool bAliveInside = false;
    pWnd->m_onProbe = [&](CProbeWnd& self) {
        CWnd::DestroyAndDelete(&self);
        EXPECT_FALSE(::IsWindow(hWnd)) << "the window goes at once";
        bAliveInside = !bDeleted && self.m_nValue == 42;
        EXPECT_EQ(self.GetSafeHwnd(), nullptr);
        EXPECT_EQ(self.Default(), 0) << "no default processing for a dead window";
    };
    pWnd->Probe();
    EXPECT_TRUE(bAliveInside) << "the object must outlive its running handler";
    EXPECT_TRUE(bDeleted) << "and go as soon as the handler returns";
}

TEST(WindowLifetimeTest, ASelfOwnedWindowDestroyedInItsOwnHandlerIsFreedAfterIt) {
    bool bDeleted = false;
    auto* pWnd = new CProbeWnd(&bDeleted, /*bOwnsItself=*/true);
    ASSERT_TRUE(pWnd->Create());
    bool bAliveInside = false;
    pWnd->m_onProbe = [&](CProbeWnd& self) {
        self.DestroyWindow();
        bAliveInside = !bDeleted && self.m_nValue == 42;
    };
    pWnd->Probe();
    EXPECT_TRUE(bAliveInside);
    EXPECT_TRUE(bDeleted);
}

TEST(WindowLifetimeTest, DestroyAndDeleteOutsideHandlersRunsTheDerivedDestroyHandlerFirst) {
    bool bDeleted = false, bSawDestroy = false;
    auto* pWnd = new CProbeWnd(&bDeleted);
    ASSERT_TRUE(pWnd->Create());
    HWND hWnd = pWnd->GetSafeHwnd();
    pWnd->m_pSawDestroy = &bSawDestroy;
    CWnd::DestroyAndDelete(pWnd);
    EXPECT_TRUE(bSawDestroy);
    EXPECT_TRUE(bDeleted);
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST(WindowLifetimeTest, DeletingAnObjectDestroysItsWindow) {
    bool bDeleted = false;
    auto* pWnd = new CProbeWnd(&bDeleted);
    ASSERT_TRUE(pWnd->Create());
    HWND hWnd = pWnd->GetSafeHwnd();
    delete pWnd;
    EXPECT_FALSE(::IsWindow(hWnd));
    EXPECT_EQ(CWnd::FromHandle(hWnd), nullptr);
}

TEST(WindowLifetimeTest, AFailedCreationLeavesTheObjectToItsCreator) {
    bool bDeleted = false;
    auto* pWnd = new CProbeWnd(&bDeleted, /*bOwnsItself=*/true, /*bFailCreate=*/true);
    EXPECT_FALSE(pWnd->Create());
    EXPECT_FALSE(bDeleted);
    EXPECT_EQ(pWnd->GetSafeHwnd(), nullptr);
    delete pWnd;
    EXPECT_TRUE(bDeleted);
}

class CCountingApp : public CWinApp {
public:
    int ExitInstance() override {
        ++m_nExits;
        return CWinApp::ExitInstance();
    }
    int m_nExits = 0;
};

class CCountedFrame : public CFrameWnd {
public:
    explicit CCountedFrame(bool* pDeleted) : m_pDeleted(pDeleted) {}
    ~CCountedFrame() override { *m_pDeleted = true; }

private:
    bool* m_pDeleted;
};

// A frame whose deletion is seen in m_bDeleted; the main window if asked.
class FrameLifetimeTest : public ::testing::Test {
protected:
    void Start(bool bMain) {
        auto* pFrame = new CCountedFrame(&m_bDeleted);  // frees itself
        ASSERT_TRUE(pFrame->Create(nullptr, "frame"));
        m_hFrame = pFrame->GetSafeHwnd();
        if (bMain) m_app.m_pMainWnd = pFrame;
        TakeQuitMessage();
    }
    void CloseAndWait() {
        ::PostMessageA(m_hFrame, WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(m_hFrame); }));
    }

    CCountingApp m_app;
    bool m_bDeleted = false;
    HWND m_hFrame = nullptr;
};

TEST_F(FrameLifetimeTest, ClosingTheMainFramePostsQuitZeroAndFreesIt) {
    Start(/*bMain=*/true);
    CloseAndWait();
    WPARAM code = 99;
    EXPECT_TRUE(TakeQuitMessage(&code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(m_bDeleted);
    EXPECT_EQ(m_app.m_pMainWnd, nullptr);
    EXPECT_EQ(m_app.m_nExits, 0) << "the exit routine is the message loop's business";
}

TEST_F(FrameLifetimeTest, ClosingAnotherFrameDoesNotEndTheProgram) {
    Start(/*bMain=*/false);
    CloseAndWait();
    EXPECT_TRUE(m_bDeleted);
    EXPECT_FALSE(TakeQuitMessage());
}

TEST_F(FrameLifetimeTest, TheEndOfASessionRunsTheExitRoutineAndDestroysNothing) {
    Start(/*bMain=*/true);
    EXPECT_EQ(::SendMessageA(m_hFrame, WM_QUERYENDSESSION, 0, 0), TRUE);
    ::SendMessageA(m_hFrame, WM_ENDSESSION, FALSE, 0);
    EXPECT_EQ(m_app.m_nExits, 0) << "the session goes on";
    ::SendMessageA(m_hFrame, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(m_app.m_nExits, 1);
    EXPECT_TRUE(::IsWindow(m_hFrame));
    EXPECT_FALSE(m_bDeleted);

    m_app.m_pMainWnd = nullptr;
    ::DestroyWindow(m_hFrame);
    EXPECT_TRUE(m_bDeleted);
}

}  // namespace
