// The real zapwick.exe through a user's day, and the update reminder's
// answers, driven only from outside as the user and Windows would.
#include <tuple>

#include "Support.h"

namespace {

const std::string kMessenger = "SYSTEM\\ControlSet001\\Services\\Messenger";
const char kQuestion[] = "Update the program";

// Whether a message box has no owner, no icon, and these buttons and no others.
bool IsPlainBox(HWND hBox, std::set<int> ids) {
    for (int nId : {IDOK, IDCANCEL, IDYES, IDNO})
        if (!!::IsWindowVisible(::GetDlgItem(hBox, nId)) != (ids.count(nId) > 0)) return false;
    return !BoxHasIcon(hBox) && !::GetWindow(hBox, GW_OWNER);
}

TEST(DayTest, FromAStalePeriodAndMessengerOnToExitFromTheTrayMenu) {
    Recorders recorders;
    const LONGLONG now = std::time(nullptr);
    WriteValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update", RegDword(0));  // long gone
    WriteValue(HKEY_LOCAL_MACHINE, kMessenger, "Start", RegDword(2));
    HWND hNormal = RecordingWindow("IEFrame", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    const std::vector<HWND> before = TrayIcons();

    // Only its icon shows; a pop-up is asked to close, and again while it stays.
    Zapwick zapwick;
    ASSERT_TRUE(zapwick.Ready());
    HWND hIcon = WaitForNewIcon(before), hDlg = zapwick.Dialog();
    EXPECT_TRUE(PumpUntil([&] { return HasPicture(hIcon); }));
    EXPECT_EQ(IconTip(hIcon), "Zapwick");
    EXPECT_TRUE(WindowsOf(zapwick.Pid(), nullptr, nullptr, true).empty());
    EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kMessenger, "Start"), RegDword(4));
    HWND hPopup = RecordingWindow("IEFrame", POPUP_STYLE | WS_VISIBLE);
    EXPECT_TRUE(PumpUntil([&] { return CloseRequests(hPopup).size() >= 2; }));

    // A click shows the status dialog amid the work area, the focus on Exit,
    // and hides it again; Esc hides it; a double click shows it.
    auto shown = [&] {
        return ::IsWindowVisible(hDlg) && zapwick.Focus() == ::GetDlgItem(hDlg, IDC_EXIT);
    };
    ClickIcon(hIcon);
    ASSERT_TRUE(PumpUntil(shown));
    RECT rc, rcWork;
    ::GetWindowRect(hDlg, &rc);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    EXPECT_LE(std::abs(rc.left + rc.right - rcWork.left - rcWork.right), 1) << "centred";
    EXPECT_LE(std::abs(rc.top + rc.bottom - rcWork.top - rcWork.bottom), 1) << "centred";
    ClickIcon(hIcon);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); }));
    ClickIcon(hIcon);
    ASSERT_TRUE(PumpUntil(shown));
    ::PostMessageA(zapwick.Focus(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); }));
    ClickIcon(hIcon, false, true);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(hDlg) != FALSE; }));

    // Its close box asks first; Yes opens the product page and restarts the period.
    ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND hBox = WaitForWindow(zapwick.Pid(), "#32770", kQuestion);
    EXPECT_EQ(TextOf(::GetDlgItem(hBox, MSGBOX_TEXT)),
              "Do you want to check the lastest version on our website?");
    EXPECT_TRUE(IsPlainBox(hBox, {IDYES, IDNO}));
    EXPECT_TRUE(::IsWindowVisible(hDlg)) << "hidden only once answered";
    // Closed again while it asks, with Hide behind in the queue: once hidden,
    // both are handled, and still one question is asked.
    ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    ClickButton(hDlg, IDC_HIDE);
    ASSERT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); }));
    EXPECT_EQ(WindowsOf(zapwick.Pid(), "#32770", kQuestion, true).size(), 1u);
    ClickButton(hBox, IDYES);
    EXPECT_TRUE(PumpUntil([&] { return RestartedSince(now); }));

    // The tray menu: Help, the maker's home page, About, Exit.
    auto choose = [&](std::vector<UINT> keys) {
        ASSERT_TRUE(PumpUntil([&] { return !WaitForWindow(zapwick.Pid(), "#32768", nullptr, 0); }));
        ClickIcon(hIcon, true);
        ASSERT_NE(WaitForWindow(zapwick.Pid(), "#32768", nullptr), nullptr);
        for (UINT vk : keys) ::PostMessageA(zapwick.Tray(), WM_KEYDOWN, vk, 0);
    };
    choose({VK_DOWN, VK_RETURN});
    choose({VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_TRUE(PumpUntil([&] {
        return RecordedRuns(recorders.m_browser).size() == 2 &&
               !RecordedRuns(recorders.m_hh).empty();
    }));
    EXPECT_EQ(RecordedRuns(recorders.m_hh).at(0),
              "hh.exe " + Narrow(BinDir()) + "help.chm::/Introduction.htm");
    const std::vector<std::string> pages = RecordedRuns(recorders.m_browser);
    EXPECT_NE(pages.at(0).find("\"" MAKER_PRODUCT_PAGE "\""), std::string::npos) << pages[0];
    EXPECT_NE(pages.at(1).find("\"" MAKER_HOME_PAGE "\""), std::string::npos) << pages[1];
    choose({VK_UP, VK_UP, VK_RETURN});
    HWND hAbout = WaitForWindow(zapwick.Pid(), "#32770", "About Zapwick");
    EXPECT_FALSE(::IsWindowEnabled(zapwick.Frame())) << "the owner of the modal box";
    ClickButton(hAbout, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(zapwick.Frame()) != FALSE; }));
    choose({VK_UP, VK_RETURN});
    EXPECT_TRUE(zapwick.ExitsCleanly());
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hIcon); }));
    EXPECT_TRUE(CloseRequests(hNormal).empty());
    WriteValue(HKEY_LOCAL_MACHINE, kMessenger, "Start", RegValue());
}

TEST(ReminderTest, EachStoredTimeAndAnswerHasItsOutcome) {
    // No browser: a page opened by mistake brings the error box, which keeps the dialog shown.
    Recorders recorders(false);
    const LONGLONG now = std::time(nullptr);
    // The stored value, the answer (0: no question), the error box, a new period.
    const std::tuple<const char*, RegValue, int, bool, bool> cases[] = {
        {"first close", RegValue(), 0, false, true},
        {"5 bytes read as none", RegValue(REG_BINARY, {1, 2, 3, 4, 5}), 0, false, true},
        {"a day in", RegDword(static_cast<DWORD>(now - 86400)), 0, false, false},
        {"stale, No", RegDword(static_cast<DWORD>(now - REMINDER_PERIOD - 60)), IDNO, false, true},
        {"stale, Yes without a browser", RegDword(0), IDYES, true, true},
    };
    for (const auto& [pszWhat, stored, nAnswer, bError, bRestarts] : cases) {
        WriteValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update", stored);
        Zapwick zapwick;
        ASSERT_TRUE(zapwick.Ready()) << pszWhat;
        HWND hDlg = zapwick.Dialog();
        ::ShowWindow(hDlg, SW_SHOW);  // it hides once the question is answered
        ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (nAnswer) ClickButton(WaitForWindow(zapwick.Pid(), "#32770", kQuestion), nAnswer);
        if (bError) {
            HWND hError = WaitForWindow(zapwick.Pid(), "#32770", "unknown errors");
            EXPECT_EQ(TextOf(::GetDlgItem(hError, MSGBOX_TEXT)),
                      "The Program does not launch your web browser to access " MAKER_HOME_PAGE
                      " ,\nPlease launch your web browser and input the URL manually.");
            EXPECT_TRUE(IsPlainBox(hError, {IDOK}));
            ClickButton(hError, IDOK);
        }
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); })) << pszWhat;
        EXPECT_TRUE(bRestarts ? RestartedSince(now)
                              : ReadValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update") == stored)
            << pszWhat;
        EXPECT_TRUE(zapwick.Closes()) << pszWhat;
    }
}

}  // namespace
