// Browser pop-ups in this process, closed by a running zapwick.exe: a
// borderless "IEFrame" is asked within about a tick and again while it stays;
// a normal browser frame is never touched.
#include <gtest/gtest.h>

#include "Pump.h"
#include "RecordingWindow.h"
#include "ZapwickProcess.h"

namespace {

TEST(PopupBlockingTest, AsksPopupsToCloseAndLeavesNormalFramesAlone) {
    RecordingClass browser("IEFrame", {WM_SYSCOMMAND});
    ZapwickProcess zapwick;
    ASSERT_TRUE(zapwick.WaitUntilReady());

    HWND hNormal = browser.Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    HWND hPopup = browser.Create(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_VISIBLE);
    ASSERT_TRUE(PumpUntil([&] { return browser.CountFor(hPopup, WM_SYSCOMMAND) >= 1; }, 5000));
    const RecordedMessage request = {hPopup, WM_SYSCOMMAND, SC_CLOSE, 0};
    EXPECT_EQ(browser.Log().front(), request) << Describe(browser.Log());

    // A pop-up that ignores the request is asked again on later ticks.
    ASSERT_TRUE(PumpUntil([&] { return browser.CountFor(hPopup, WM_SYSCOMMAND) >= 3; }, 5000));
    EXPECT_EQ(browser.CountFor(hNormal, WM_SYSCOMMAND), 0u);

    EXPECT_TRUE(zapwick.ClosesCleanly());
}

}  // namespace
