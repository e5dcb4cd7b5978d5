// The real zapwick.exe through a user's day, and the update reminder's
// answers and an administrator's switch for it, driven only from outside as
// the user, Windows and Group Policy would.
#include <climits>
#include <ctime>
#include <tuple>

#include "ProcessCounts.h"
#include "PolicyTemplate.h"
#include "Program.h"

namespace {

const std::string kMessenger = "SYSTEM\\ControlSet001\\Services\\Messenger";
const char kQuestion[] = "Update the program";
constexpr LONGLONG REMINDER_PERIOD = 180LL * 24 * 60 * 60;

// Whether the reminder's period was restarted at `since` or later.
bool RestartedSince(LONGLONG since) {
    const RegValue value = ReadValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update");
    const LONGLONG t =
        value.second.size() == 4 ? *reinterpret_cast<const int*>(value.second.data()) : 0;
    return value.first == REG_DWORD && t >= since && t <= std::time(nullptr);
}

TEST(DayTest, FromAStalePeriodAndMessengerOnToExitFromTheTrayMenu) {
    Recorders recorders;
    const LONGLONG now = std::time(nullptr);
    WriteValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update", RegDword(0));  // long gone
    WriteValue(HKEY_LOCAL_MACHINE, kMessenger, "Start", RegDword(2));
    const std::vector<HWND> before = TrayIcons();

    // Only its icon shows; Messenger is switched off.
    Zapwick zapwick;
    ASSERT_TRUE(zapwick.Ready());
    HWND hIcon = WaitForNewIcons(before).at(0), hDlg = zapwick.Dialog();
    EXPECT_TRUE(WindowsOf(zapwick.Pid(), nullptr, nullptr, true).empty());
    EXPECT_TRUE(PumpUntil(
        [&] { return ReadValue(HKEY_LOCAL_MACHINE, kMessenger, "Start") == RegDword(4); }));

    // A click shows the status dialog amid the work area, the focus on Exit;
    // Esc hides it; a double click shows it (and hides it: see the repeats).
    auto shown = [&] {
        return ::IsWindowVisible(hDlg) && zapwick.Focus() == ::GetDlgItem(hDlg, IDC_EXIT);
    };
    Click(hIcon, kClick);
    ASSERT_TRUE(PumpUntil(shown));
    RECT rc, rcWork;
    ::GetWindowRect(hDlg, &rc);
    ::SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcWork, 0);
    const LONG dx = rc.left + rc.right - rcWork.left - rcWork.right;
    EXPECT_LE(std::abs(dx) + std::abs(rc.top + rc.bottom - rcWork.top - rcWork.bottom), 40)
        << "roughly centred";
    ::PostMessageA(zapwick.Focus(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); }));
    Click(hIcon, kDoubleClick);
    ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(hDlg) != FALSE; }));

    // Its close box asks first; Yes opens the product page and restarts the period.
    ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    HWND hBox = WaitForWindow(zapwick.Pid(), "#32770", kQuestion);
    EXPECT_EQ(BoxOf(hBox),
              "Do you want to check the lastest version on our website?|Yes No |no icon|");
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
        ASSERT_TRUE(PumpUntil([&] { return WindowsOf(zapwick.Pid(), "#32768").empty(); }));
        Click(hIcon, kRightClick);
        ASSERT_NE(WaitForWindow(zapwick.Pid(), "#32768"), nullptr);
        for (UINT vk : keys) ::PostMessageA(zapwick.Tray(), WM_KEYDOWN, vk, 0);
    };
    choose({VK_DOWN, VK_RETURN});
    choose({VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_TRUE(PumpUntil([&] {
        return RecordedRuns(recorders.m_browser).size() == 2 &&
               !RecordedRuns(recorders.m_hh).empty();
    }));
    const std::vector<std::string> pages = RecordedRuns(recorders.m_browser);
    EXPECT_NE(pages.at(0).find("\"" MAKER_PRODUCT_PAGE "\""), std::string::npos) << pages[0];
    EXPECT_NE(pages.at(1).find("\"" MAKER_HOME_PAGE "\""), std::string::npos) << pages[1];
    choose({VK_UP, VK_UP, VK_RETURN});
    HWND hAbout = WaitForWindow(zapwick.Pid(), "#32770", "About Zapwick");
    EXPECT_FALSE(::IsWindowEnabled(zapwick.Frame())) << "the owner of the modal box";
    ClickButton(hAbout, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return ::IsWindowEnabled(zapwick.Frame()) != FALSE; }));

    // The same again and again, as in the days of a program that stays, with
    // a new taskbar each time; each step is waited for, so that nothing piles
    // up. Wine fills caches of its own in the first rounds; after them nothing
    // that the program holds may grow. Wine counts no menus: the memory they
    // would take shows a leak of them (some 1.3 KiB each, where the heap
    // takes 12 KiB or so over these rounds anyway).
    auto again = [&] {
        for (bool bShow : {true, false, true}) {
            Click(hIcon, kDoubleClick);
            EXPECT_TRUE(PumpUntil([&] { return !!::IsWindowVisible(hDlg) == bShow; }));
        }
        ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);  // the period is new: nothing to ask
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); }));
        ::SendMessageA(zapwick.Tray(), ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
        for (int i = 0; i < 2; ++i) {
            Click(hIcon, kRightClick);
            EXPECT_NE(WaitForWindow(zapwick.Pid(), "#32768"), nullptr);
            ::PostMessageA(zapwick.Tray(), WM_KEYDOWN, VK_ESCAPE, 0);
            EXPECT_TRUE(PumpUntil([&] { return WindowsOf(zapwick.Pid(), "#32768").empty(); }));
        }
        const size_t nHelp = RecordedRuns(recorders.m_hh).size();
        zapwick.TrayCommand(ID_TRAY_HELP);
        EXPECT_TRUE(PumpUntil([&] { return RecordedRuns(recorders.m_hh).size() > nHelp; }));
        for (UINT nCommand : {ID_TRAY_ABOUT, ID_TRAY_VIEW_LOG}) {  // a box each, with OK
            zapwick.TrayCommand(nCommand);
            HWND hBox = WaitForWindow(zapwick.Pid(), "#32770");
            ClickButton(hBox, IDOK);
            EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hBox); }));
        }
    };
    // Wine caches device contexts and never frees them: whenever it happens to
    // need one more at a time, its cache grows by a DC with its region and
    // bitmap (seen as late as the 23rd round). The DCs may grow a little.
    // What the program holds but those: its handles, its GDI objects, its
    // windows; and the DCs. Read from one table at a time (two DCs made
    // between two readings would look like six objects fewer), once two
    // readings agree, so that nothing the program is still doing is counted.
    auto reading = [&] {
        const std::vector<long> gdi = CountGdiObjectsByType(zapwick.Process());
        return std::vector<long>{CountHandles(zapwick.Pid()), gdi[0] - 3 * gdi[GDI_TYPE_DC],
                                 long(WindowsOf(zapwick.Pid()).size()), gdi[GDI_TYPE_DC]};
    };
    auto held = [&] {
        std::vector<long> now, last;
        PumpUntil(
            [&] {
                last.swap(now);
                return (now = reading()) == last;
            },
            2000);
        return now;
    };
    for (int i = 0; i < 10; ++i) again();
    const std::vector<long> settled = held();
    const SIZE_T cbSettled = PrivateBytes(zapwick.Process());
    // A leak grows at every round, so even the least of the last ten rounds'
    // counts is above the settled one; Wine's caches grow at some rounds only.
    std::vector<long> least(3, LONG_MAX);
    for (int i = 0; i < 30; ++i) {
        again();
        if (i < 20) continue;
        const std::vector<long> now = held();
        for (size_t k = 0; k < least.size(); ++k) least[k] = std::min(least[k], now[k]);
    }
    EXPECT_LE(least[0], settled[0]) << "handles more";
    EXPECT_LE(least[1], settled[1]) << "GDI objects but Wine's DCs more";
    EXPECT_LE(least[2], settled[2]) << "windows more";
    EXPECT_LT(held()[3] - settled[3], 10) << "device contexts more";
    EXPECT_LT(PrivateBytes(zapwick.Process()) - cbSettled, 32u * 1024)
        << "bytes of private memory more";
    choose({VK_UP, VK_RETURN});
    EXPECT_TRUE(zapwick.ExitsCleanly());
    WriteValue(HKEY_LOCAL_MACHINE, kMessenger, "Start", RegValue());
}

TEST(ReminderTest, EachStoredTimeAnswerAndAdministratorsSwitchHasItsOutcome) {
    // No browser: a page opened by mistake brings the error box, which keeps the dialog shown.
    Recorders recorders(false);
    const LONGLONG now = std::time(nullptr);
    // The switch: Group Policy's, where the template has it written (in the
    // 64-bit view on 64-bit Windows), then the one that the installer records.
    enum Place { COMPUTER, USER, MACHINE_SETUP, USER_SETUP };
    const std::tuple<HKEY, std::string, REGSAM> places[] = {
        {HKEY_LOCAL_MACHINE, POLICY_KEY, KEY_WOW64_64KEY},
        {HKEY_CURRENT_USER, POLICY_KEY, KEY_WOW64_64KEY},
        {HKEY_LOCAL_MACHINE, "Software\\Morvane\\Zapwick", 0},
        {HKEY_CURRENT_USER, "Software\\Morvane\\Zapwick", 0}};
    auto set = [&](Place place, const RegValue& value) {
        const auto& [hRoot, key, samView] = places[place];
        WriteValue(hRoot, key, POLICY_VALUE, value, samView);
    };
    using Switches = std::vector<std::pair<Place, RegValue>>;
    const RegValue stale = RegDword(static_cast<DWORD>(now - REMINDER_PERIOD - 60));
    const RegValue off = RegDword(0), on = RegDword(1);
    const RegValue text = RegValue(REG_SZ, {'0', 0}), bytes = RegValue(REG_BINARY, {0, 0, 0, 0});
    // The stored value, the switches, the answer (0: no question), the error box, a new period.
    const std::tuple<const char*, RegValue, Switches, int, bool, bool> cases[] = {
        {"first close", RegValue(), {}, 0, false, true},
        {"5 bytes read as none", RegValue(REG_BINARY, {1, 2, 3, 4, 5}), {}, 0, false, true},
        {"a day in", RegDword(static_cast<DWORD>(now - 86400)), {}, 0, false, false},
        {"stale, No", stale, {}, IDNO, false, true},
        {"stale, Yes without a browser", RegDword(0), {}, IDYES, true, true},
        {"first close, the computer's policy off", RegValue(), {{COMPUTER, off}}, 0, false, false},
        {"the computer's policy off", stale, {{COMPUTER, off}}, 0, false, false},
        {"computer's on, user's off", stale, {{COMPUTER, on}, {USER, off}}, IDNO, false, true},
        {"policies of bytes or text", stale, {{COMPUTER, bytes}, {USER, text}}, IDNO, false, true},
        {"the installation's switch off", stale, {{MACHINE_SETUP, off}}, 0, false, false},
        {"user's on, setup's off", stale, {{USER, on}, {USER_SETUP, off}}, IDNO, false, true},
    };
    for (const auto& [pszWhat, stored, switches, nAnswer, bError, bRestarts] : cases) {
        WriteValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update", stored);
        Zapwick zapwick;
        ASSERT_TRUE(zapwick.Ready()) << pszWhat;
        // Written while it runs, as Group Policy may: read at the close.
        for (const auto& [place, value] : switches) set(place, value);
        HWND hDlg = zapwick.Dialog();
        ::ShowWindow(hDlg, SW_SHOW);  // it hides once the question is answered
        ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        if (nAnswer) ClickButton(WaitForWindow(zapwick.Pid(), "#32770", kQuestion), nAnswer);
        if (bError) {
            HWND hError = WaitForWindow(zapwick.Pid(), "#32770", "unknown errors");
            EXPECT_EQ(
                BoxOf(hError),
                "The Program does not launch your web browser to access " MAKER_HOME_PAGE
                " ,\nPlease launch your web browser and input the URL manually.|OK |no icon|");
            ClickButton(hError, IDOK);
        }
        EXPECT_TRUE(PumpUntil([&] { return !::IsWindowVisible(hDlg); })) << pszWhat;
        EXPECT_TRUE(WindowsOf(zapwick.Pid(), "#32770", kQuestion).empty()) << pszWhat;
        EXPECT_TRUE(bRestarts ? RestartedSince(now)
                              : ReadValue(HKEY_CURRENT_USER, SETUP_KEY, "t_first_update") == stored)
            << pszWhat;
        EXPECT_TRUE(zapwick.Closes()) << pszWhat;
        for (const auto& [place, value] : switches) set(place, RegValue());
    }
}

}  // namespace
