// The real zapwick.exe, driven from outside: it starts hidden whatever it is
// given, keeps running through stray messages, runs beside a second copy, and
// ends with code 0 when its frame is closed.
#include <gtest/gtest.h>

#include "Pump.h"
#include "RecordingWindow.h"
#include "ZapwickProcess.h"

namespace {

constexpr DWORD POPUP = WS_POPUP | WS_CAPTION | WS_SYSMENU;

std::vector<HWND> VisibleWindowsOf(DWORD pid) {
    std::vector<HWND> visible;
    for (HWND hWnd : FindProcessWindows(pid, nullptr))
        if (::IsWindowVisible(hWnd)) visible.push_back(hWnd);
    return visible;
}

// Waits until some running Zapwick has scanned at least once more: a new
// pop-up has been asked to close.
bool WaitForAScan(RecordingClass& browser, DWORD timeoutMs = 5000) {
    HWND hPopup = browser.Create(POPUP);
    return PumpUntil([&] { return browser.CountFor(hPopup, WM_SYSCOMMAND) > 0; }, timeoutMs);
}

TEST(LifecycleTest, StartsHiddenWhateverTheShowValueAndArguments) {
    struct Case {
        WORD wShow;
        const char* args;
    } cases[] = {
        {SW_SHOWNORMAL, ""},
        {SW_SHOWMAXIMIZED, "/show --visible"},
        {SW_SHOWMINIMIZED, "C:\\some file.txt -x"},
    };
    RecordingClass browser("IEFrame", {WM_SYSCOMMAND});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ZapwickProcess zapwick(ZapwickExePath(), c.args, c.wShow);
        ASSERT_TRUE(zapwick.WaitUntilReady());
        ASSERT_TRUE(WaitForAScan(browser)) << "the message loop is running";
        HWND hFrame = zapwick.Frame();
        EXPECT_FALSE(::IsWindowVisible(hFrame));
        EXPECT_EQ(static_cast<DWORD>(::GetWindowLongA(hFrame, GWL_STYLE)) & ~WS_CLIPSIBLINGS,
                  0x00CF0000u);
        EXPECT_TRUE(VisibleWindowsOf(zapwick.Pid()).empty());
        EXPECT_TRUE(zapwick.ClosesCleanly());
    }
}

TEST(LifecycleTest, StrayMessagesToTheFrameChangeNothing) {
    RecordingClass browser("IEFrame", {WM_SYSCOMMAND});
    ZapwickProcess zapwick;
    ASSERT_TRUE(zapwick.WaitUntilReady());
    HWND hFrame = zapwick.Frame();
    for (WPARAM nId : {0u, 2u, 3u, 4u, 5u, 77u, 0xFFFFFFFFu})
        ::PostMessageA(hFrame, WM_TIMER, nId, 0);
    for (WPARAM nId : {0u, 1u, 2u, 100u, 1003u, 1008u, 32770u, 40000u})
        ::PostMessageA(hFrame, WM_COMMAND, nId, 0);
    ::PostMessageA(hFrame, WM_USER, 1, 2);
    ::PostMessageA(hFrame, WM_APP + 3, 0, 0);

    ASSERT_TRUE(WaitForAScan(browser)) << "still scanning";
    EXPECT_EQ(::WaitForSingleObject(zapwick.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_FALSE(::IsWindowVisible(hFrame));
    EXPECT_TRUE(zapwick.ClosesCleanly());
}

TEST(LifecycleTest, TwoCopiesRunSideBySideAndEndSeparately) {
    RecordingClass browser("IEFrame", {WM_SYSCOMMAND});
    ZapwickProcess first, second;
    ASSERT_TRUE(first.WaitUntilReady());
    ASSERT_TRUE(second.WaitUntilReady());
    EXPECT_NE(first.Frame(), second.Frame());

    EXPECT_TRUE(first.ClosesCleanly());
    ASSERT_TRUE(WaitForAScan(browser)) << "the second copy scans on alone";
    EXPECT_TRUE(second.ClosesCleanly());
}

}  // namespace
