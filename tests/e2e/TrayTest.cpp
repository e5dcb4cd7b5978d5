// The notification-area icon of a running zapwick.exe, as the user meets it
// through Wine's tray: there from start to exit, a click toggles the status
// dialog, the menu's Exit ends the program, and every copy has its own icon.
#include <gtest/gtest.h>

#include "Pump.h"
#include "WineTray.h"
#include "ZapwickProcess.h"

namespace {

constexpr UINT ID_TRAY_EXIT = 32771;

// A started Zapwick together with the tray icon it added.
struct RunningZapwick {
    std::vector<HWND> before = TrayIconWindows();
    ZapwickProcess process;
    HWND hIcon = nullptr;

    bool WaitForIcon() {
        return process.WaitUntilReady() && PumpUntil([&] {
                   return (hIcon = NewTrayIcon(before, TrayIconWindows())) != nullptr;
               });
    }
    bool IconGone() {
        return PumpUntil([&] { return !::IsWindow(hIcon); });
    }
};

TEST(TrayTest, TheIconIsThereFromStartToExit) {
    RunningZapwick zapwick;
    ASSERT_TRUE(zapwick.WaitForIcon());
    HWND hTray = zapwick.process.TrayWindow();
    ASSERT_NE(hTray, nullptr);
    ::PostMessageA(hTray, WM_COMMAND, ID_TRAY_EXIT, 0);
    EXPECT_TRUE(zapwick.process.ExitsCleanly());
    EXPECT_TRUE(zapwick.IconGone());
}

TEST(TrayTest, AClickOnTheIconShowsAndHidesTheStatusDialog) {
    RunningZapwick zapwick;
    ASSERT_TRUE(zapwick.WaitForIcon());
    HWND hDlg = zapwick.process.StatusDialog();
    ASSERT_FALSE(::IsWindowVisible(hDlg));

    ClickTrayIcon(zapwick.hIcon);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(hDlg) != FALSE; }));
    ClickTrayIcon(zapwick.hIcon);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); }));
    ClickTrayIcon(zapwick.hIcon, false, /*bDouble=*/true);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowVisible(hDlg) != FALSE; }));

    EXPECT_TRUE(zapwick.process.ClosesCleanly());
    EXPECT_TRUE(zapwick.IconGone());
}

TEST(TrayTest, ExitFromTheMenuEndsTheProgram) {
    RunningZapwick zapwick;
    ASSERT_TRUE(zapwick.WaitForIcon());
    ClickTrayIcon(zapwick.hIcon, /*bRight=*/true);
    HWND hMenu = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        hMenu = ::FindWindowA("#32768", nullptr);
        return hMenu && ::IsWindowVisible(hMenu);
    })) << "the menu opens";
    // Exit is the last item: up from the top wraps to it.
    ::PostMessageA(zapwick.process.TrayWindow(), WM_KEYDOWN, VK_UP, 0);
    ::PostMessageA(zapwick.process.TrayWindow(), WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_TRUE(zapwick.process.ExitsCleanly());
    EXPECT_TRUE(zapwick.IconGone());
}

TEST(TrayTest, EachCopyHasItsOwnIcon) {
    RunningZapwick first;
    ASSERT_TRUE(first.WaitForIcon());
    RunningZapwick second;
    ASSERT_TRUE(second.WaitForIcon());
    EXPECT_NE(first.hIcon, second.hIcon);

    ASSERT_TRUE(first.process.ClosesCleanly());
    EXPECT_TRUE(first.IconGone());
    EXPECT_TRUE(::IsWindow(second.hIcon)) << "the other copy keeps its icon";
    ASSERT_TRUE(second.process.ClosesCleanly());
    EXPECT_TRUE(second.IconGone());
}

}  // namespace
