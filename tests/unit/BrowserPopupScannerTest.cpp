// The pop-up scan against real top-level windows of this process: which
// browser frames are asked to close, how often, and in what order.
#include <gtest/gtest.h>

#include "Pump.h"
#include "RecordingWindow.h"
#include "blocking/BrowserPopupScanner.h"

namespace {

constexpr DWORD POPUP = WS_POPUP | WS_CAPTION | WS_SYSMENU;  // no sizing border
constexpr DWORD NORMAL = WS_OVERLAPPEDWINDOW;                // has one

const RecordedMessage CloseRequest(HWND hWnd) {
    return {hWnd, WM_SYSCOMMAND, SC_CLOSE, 0};
}

class ScannerTest : public ::testing::Test {
protected:
    void Scan() {
        CloseBrowserPopups();
        PumpPending();  // the requests are posted; deliver them
    }
    RecordingClass m_browser{"IEFrame", {WM_SYSCOMMAND}};
};

TEST_F(ScannerTest, AsksABorderlessFrameToCloseOnEveryPass) {
    HWND hPopup = m_browser.Create(POPUP | WS_VISIBLE);
    ASSERT_TRUE(hPopup);
    Scan();
    Scan();
    Scan();
    const std::vector<RecordedMessage> expected(3, CloseRequest(hPopup));
    EXPECT_EQ(m_browser.Log(), expected) << "got:\n" << Describe(m_browser.Log());
}

TEST_F(ScannerTest, LeavesWindowsWithASizingBorderOrAnotherClassAlone) {
    RecordingClass other("NotIEFrame", {WM_SYSCOMMAND});
    struct Case {
        const char* what;
        HWND hWnd;
    } cases[] = {
        {"normal browser frame", m_browser.Create(NORMAL | WS_VISIBLE)},
        {"thick frame, popup style", m_browser.Create(WS_POPUP | WS_THICKFRAME | WS_VISIBLE)},
        {"other class, borderless", other.Create(POPUP | WS_VISIBLE)},
        {"other class, plain popup", other.Create(WS_POPUP)},
    };
    Scan();
    Scan();
    for (const Case& c : cases) {
        ASSERT_TRUE(c.hWnd) << c.what;
        EXPECT_EQ(m_browser.CountFor(c.hWnd, WM_SYSCOMMAND) + other.CountFor(c.hWnd, WM_SYSCOMMAND),
                  0u)
            << c.what;
    }
}

TEST_F(ScannerTest, SearchesTopLevelWindowsOnly) {
    RecordingClass host("ScannerTestHost", {});
    HWND hHost = host.Create(NORMAL | WS_VISIBLE);
    HWND hChild = m_browser.Create(WS_CHILD | WS_VISIBLE, 0, hHost);
    ASSERT_TRUE(hChild);
    Scan();
    EXPECT_EQ(m_browser.CountFor(hChild, WM_SYSCOMMAND), 0u);
}

TEST_F(ScannerTest, AsksHiddenAndMinimisedPopupsToo) {
    HWND hHidden = m_browser.Create(POPUP);
    HWND hMinimised = m_browser.Create(POPUP | WS_VISIBLE | WS_MINIMIZE);
    Scan();
    EXPECT_EQ(m_browser.CountFor(hHidden, WM_SYSCOMMAND), 1u);
    EXPECT_EQ(m_browser.CountFor(hMinimised, WM_SYSCOMMAND), 1u);
}

TEST_F(ScannerTest, AsksSeveralPopupsInOnePassFromTheTopOfTheZOrder) {
    HWND hFirst = m_browser.Create(POPUP | WS_VISIBLE);
    HWND hNormal = m_browser.Create(NORMAL | WS_VISIBLE);
    HWND hSecond = m_browser.Create(POPUP | WS_VISIBLE);
    HWND hThird = m_browser.Create(POPUP | WS_VISIBLE);
    ASSERT_TRUE(hFirst && hNormal && hSecond && hThird);
    // Put them in a known stacking order, top first: second, normal, first, third.
    ::SetWindowPos(hThird, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowPos(hFirst, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowPos(hNormal, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ::SetWindowPos(hSecond, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    CloseBrowserPopups();
    // One pass posts all three before any is delivered.
    MSG msg;
    int queued = 0;
    while (::PeekMessageA(&msg, nullptr, WM_SYSCOMMAND, WM_SYSCOMMAND, PM_REMOVE)) {
        ++queued;
        ::DispatchMessageA(&msg);
    }
    EXPECT_EQ(queued, 3);
    const std::vector<RecordedMessage> expected = {CloseRequest(hSecond), CloseRequest(hFirst),
                                                   CloseRequest(hThird)};
    EXPECT_EQ(m_browser.Log(), expected) << "got:\n" << Describe(m_browser.Log());
}

TEST_F(ScannerTest, FollowsStyleChangesFromTheNextPassOn) {
    HWND hWnd = m_browser.Create(NORMAL | WS_VISIBLE);
    Scan();
    EXPECT_EQ(m_browser.CountFor(hWnd, WM_SYSCOMMAND), 0u) << "has a sizing border";

    ::SetWindowLongA(hWnd, GWL_STYLE, ::GetWindowLongA(hWnd, GWL_STYLE) & ~WS_THICKFRAME);
    Scan();
    EXPECT_EQ(m_browser.CountFor(hWnd, WM_SYSCOMMAND), 1u) << "lost its sizing border";

    ::SetWindowLongA(hWnd, GWL_STYLE, ::GetWindowLongA(hWnd, GWL_STYLE) | WS_THICKFRAME);
    Scan();
    EXPECT_EQ(m_browser.CountFor(hWnd, WM_SYSCOMMAND), 1u) << "got it back";
}

TEST_F(ScannerTest, DoesNothingWithoutBrowserFrames) {
    RecordingClass other("NotIEFrame", {WM_SYSCOMMAND});
    HWND hWnd = other.Create(POPUP | WS_VISIBLE);
    Scan();
    EXPECT_EQ(other.CountFor(hWnd, WM_SYSCOMMAND), 0u);
    EXPECT_TRUE(m_browser.Log().empty());
}

}  // namespace
