// The status dialog of a running zapwick.exe, driven from outside: hidden at
// start, its buttons and keys, the close box, Exit, and the Messenger
// switch-off that its initialisation makes.
#include <gtest/gtest.h>

#include "Pump.h"
#include "RectCompare.h"
#include "Registry.h"
#include "ZapwickProcess.h"

namespace {

constexpr int IDC_HIDE = 1003;
constexpr int IDC_EXIT = 1008;
const std::string kMessenger = "SYSTEM\\ControlSet001\\Services\\Messenger";

class StatusDialogE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_zapwick.WaitUntilReady());
        m_hDlg = m_zapwick.StatusDialog();
        ASSERT_NE(m_hDlg, nullptr);
    }
    void Show() {
        ::ShowWindow(m_hDlg, SW_SHOW);
        ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(m_hDlg) != FALSE; }));
    }
    bool WaitHidden() {
        return PumpUntil([&] { return !::IsWindowVisible(m_hDlg); });
    }

    ZapwickProcess m_zapwick;
    HWND m_hDlg = nullptr;
};

TEST_F(StatusDialogE2eTest, IsHiddenAndUnownedAfterStart) {
    EXPECT_FALSE(::IsWindowVisible(m_hDlg));
    EXPECT_EQ(::GetWindow(m_hDlg, GW_OWNER), nullptr);
    EXPECT_TRUE(m_zapwick.ClosesCleanly());
}

TEST_F(StatusDialogE2eTest, HideEscAndTheCloseBoxHideItAndItComesBackInPlace) {
    Show();
    const RECT rcFirst = WindowRect(m_hDlg);
    EXPECT_TRUE(PumpUntil([&] {
        return m_zapwick.FocusWindow() == ::GetDlgItem(m_hDlg, IDC_EXIT);
    })) << "the focus starts on Exit";

    ::SendMessageA(::GetDlgItem(m_hDlg, IDC_HIDE), BM_CLICK, 0, 0);
    EXPECT_TRUE(WaitHidden()) << "Hide";
    Show();
    EXPECT_EQ(WindowRect(m_hDlg), rcFirst);

    ASSERT_TRUE(PumpUntil([&] { return m_zapwick.FocusWindow() != nullptr; }));
    m_zapwick.PressKey(VK_ESCAPE);
    EXPECT_TRUE(WaitHidden()) << "Esc";
    Show();
    EXPECT_EQ(WindowRect(m_hDlg), rcFirst);

    ::PostMessageA(m_hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(WaitHidden()) << "close box";
    EXPECT_TRUE(::IsWindow(m_hDlg));

    EXPECT_TRUE(m_zapwick.ClosesCleanly());
}

TEST_F(StatusDialogE2eTest, TheExitButtonEndsTheProgram) {
    Show();
    ::SendMessageA(::GetDlgItem(m_hDlg, IDC_EXIT), BM_CLICK, 0, 0);
    EXPECT_TRUE(m_zapwick.ExitsCleanly());
}

TEST_F(StatusDialogE2eTest, EnterOnTheFocusedExitButtonEndsTheProgram) {
    Show();
    ASSERT_TRUE(
        PumpUntil([&] { return m_zapwick.FocusWindow() == ::GetDlgItem(m_hDlg, IDC_EXIT); }));
    m_zapwick.PressKey(VK_RETURN);
    EXPECT_TRUE(m_zapwick.ExitsCleanly());
}

TEST_F(StatusDialogE2eTest, PaintsWhileMinimisedAndCarriesOn) {
    Show();
    ::ShowWindow(m_hDlg, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([&] { return ::IsIconic(m_hDlg) != FALSE; }));
    ::SendMessageA(m_hDlg, WM_PAINT, 0, 0);
    ::ShowWindow(m_hDlg, SW_RESTORE);
    ::RedrawWindow(m_hDlg, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(::WaitForSingleObject(m_zapwick.Handle(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_TRUE(m_zapwick.ClosesCleanly());
}

// Start-up writes the Messenger start value, and starts quietly whatever the
// registry holds.
TEST(MessengerAtStartTest, DisablesTheServiceAndStartsSilentlyEvenWithoutIt) {
    struct Case {
        const char* what;
        bool bKeyExists;
        RegValue after;
    } cases[] = {
        {"automatic becomes disabled", true, RegValue::Dword(4)},
        {"no service key", false, RegValue()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteRegTree(HKEY_LOCAL_MACHINE, kMessenger);
        if (c.bKeyExists)
            WriteRegValue(HKEY_LOCAL_MACHINE, kMessenger, "Start", RegValue::Dword(2));
        ZapwickProcess zapwick;
        ASSERT_TRUE(zapwick.WaitUntilReady());
        EXPECT_EQ(ReadRegValue(HKEY_LOCAL_MACHINE, kMessenger, "Start"), c.after);
        EXPECT_EQ(RegKeyExists(HKEY_LOCAL_MACHINE, kMessenger), c.bKeyExists);
        for (HWND hWnd : FindProcessWindows(zapwick.Pid(), nullptr))
            EXPECT_FALSE(::IsWindowVisible(hWnd)) << "nothing is shown";
        EXPECT_TRUE(zapwick.ClosesCleanly());
    }
    DeleteRegTree(HKEY_LOCAL_MACHINE, kMessenger);
}

}  // namespace
