// The About box of a running zapwick.exe, from outside: shown by the command
// the tray menu posts, modal over the hidden frame, with the status dialog
// still usable; a second one is owned by the first; ending the program while
// it is open.
#include <gtest/gtest.h>

#include "MessageBoxes.h"
#include "Pump.h"
#include "RectCompare.h"
#include "ZapwickProcess.h"

namespace {

constexpr UINT ID_APP_ABOUT = 0xE140;
constexpr UINT ID_TRAY_ABOUT = 32774;
constexpr UINT ID_TRAY_EXIT = 32771;
constexpr UINT WM_TRAY_NOTIFY = WM_USER + 500;
constexpr int IDC_HIDE = 1003;

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_zapwick.WaitUntilReady()); }
    void TearDown() override {
        EXPECT_TRUE(m_bClose ? m_zapwick.ClosesCleanly() : m_zapwick.ExitsCleanly());
    }
    std::vector<HWND> AboutBoxes() {
        std::vector<HWND> visible;
        for (HWND hWnd : FindProcessWindows(m_zapwick.Pid(), "#32770", "About Zapwick"))
            if (::IsWindowVisible(hWnd)) visible.push_back(hWnd);
        return visible;
    }
    HWND WaitForAboutBoxes(size_t n) {
        HWND hNewest = nullptr;
        PumpUntil([&] {
            std::vector<HWND> boxes = AboutBoxes();
            if (boxes.size() != n) return false;
            // The newest is the one no other box owns.
            for (HWND h : boxes) {
                bool owner = false;
                for (HWND other : boxes) owner |= ::GetWindow(other, GW_OWNER) == h;
                if (!owner) hNewest = h;
            }
            return true;
        });
        return hNewest;
    }
    std::string Text(HWND hWnd) {
        char text[256] = {};
        ::GetWindowTextA(hWnd, text, sizeof(text));
        return text;
    }

    ZapwickProcess m_zapwick;
    bool m_bClose = true;
};

TEST_F(AboutTest, TheCommandShowsACentredModalBoxOverTheFrame) {
    HWND hFrame = m_zapwick.Frame();
    ::PostMessageA(hFrame, WM_COMMAND, ID_APP_ABOUT, 0);
    HWND hAbout = WaitForAboutBoxes(1);
    ASSERT_NE(hAbout, nullptr);
    EXPECT_EQ(::GetWindow(hAbout, GW_OWNER), hFrame);
    EXPECT_FALSE(::IsWindowEnabled(hFrame)) << "the owner is disabled while the box is open";

    RECT work;
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const RECT rc = WindowRect(hAbout);
    const int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    EXPECT_EQ(rc.left, (work.left + work.right) / 2 - cx / 2);
    EXPECT_EQ(rc.top, (work.top + work.bottom) / 2 - cy / 2);

    // Icon, texts and a default OK button, in template order.
    HWND hChild = ::GetWindow(hAbout, GW_CHILD);
    ASSERT_NE(hChild, nullptr);
    EXPECT_NE(::SendMessageA(hChild, STM_GETICON, 0, 0), 0);
    hChild = ::GetWindow(hChild, GW_HWNDNEXT);
    EXPECT_EQ(Text(hChild), "Zapwick Version 1.1");
    hChild = ::GetWindow(hChild, GW_HWNDNEXT);
    EXPECT_NE(Text(hChild).find("Morvane"), std::string::npos);
    hChild = ::GetWindow(hChild, GW_HWNDNEXT);
    EXPECT_EQ(::GetDlgCtrlID(hChild), IDOK);
    EXPECT_EQ(Text(hChild), "OK");
    EXPECT_EQ(::GetWindowLongA(hChild, GWL_STYLE) & 0x0F, static_cast<LONG>(BS_DEFPUSHBUTTON));

    // The status dialog is not owned by the frame, so it stays usable.
    HWND hDlg = m_zapwick.StatusDialog();
    ::PostMessageA(m_zapwick.TrayWindow(), WM_TRAY_NOTIFY, 100, WM_LBUTTONDOWN);
    ::PostMessageA(m_zapwick.TrayWindow(), WM_TRAY_NOTIFY, 100, WM_LBUTTONUP);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(hDlg) != FALSE; }));
    ::SendMessageA(::GetDlgItem(hDlg, IDC_HIDE), BM_CLICK, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); }));
    EXPECT_TRUE(::IsWindowVisible(hAbout));

    AnswerMessageBox(hAbout, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hAbout); })) << "destroyed, not just hidden";
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(hFrame) != FALSE; }));
}

TEST_F(AboutTest, ASecondBoxFromTheTrayIsOwnedByTheFirst) {
    ::PostMessageA(m_zapwick.TrayWindow(), WM_COMMAND, ID_TRAY_ABOUT, 0);
    HWND hFirst = WaitForAboutBoxes(1);
    ASSERT_NE(hFirst, nullptr);
    ::PostMessageA(m_zapwick.TrayWindow(), WM_COMMAND, ID_TRAY_ABOUT, 0);
    HWND hSecond = WaitForAboutBoxes(2);
    ASSERT_NE(hSecond, nullptr);
    EXPECT_EQ(::GetWindow(hSecond, GW_OWNER), hFirst);
    EXPECT_FALSE(::IsWindowEnabled(hFirst));

    ::PostMessageA(hSecond, WM_SYSCOMMAND, SC_CLOSE, 0);  // the close box
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(hSecond); }));
    EXPECT_TRUE(::IsWindowEnabled(hFirst));
    AnswerMessageBox(hFirst, IDOK);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindow(hFirst); }));
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(m_zapwick.Frame()) != FALSE; }));
}

TEST_F(AboutTest, TheProgramCanEndWhileTheBoxIsOpen) {
    ::PostMessageA(m_zapwick.TrayWindow(), WM_COMMAND, ID_TRAY_ABOUT, 0);
    ASSERT_NE(WaitForAboutBoxes(1), nullptr);
    ::PostMessageA(m_zapwick.TrayWindow(), WM_COMMAND, ID_TRAY_EXIT, 0);
    m_bClose = false;  // TearDown checks the exit code
}

}  // namespace
