// Rules that are hard to reach from outside the program, as tables: the
// reminder's reading of its stored time, what is a browser pop-up, the
// Messenger switch-off, and where the program's directory ends in a
// double-byte code page.
#include <shlwapi.h>

#include "Support.h"
#include "blocking/BrowserPopupScanner.h"
#include "blocking/MessengerService.h"
#include "ui/HelpCommands.h"
#include "ui/UpdateReminder.h"

namespace {

TEST(ReminderRuleTest, AsksOnlyWhen180DaysHavePassedOnEitherSideOf2038And2106) {
    constexpr LONGLONG NOW = 1796000000;       // 2026-11-30
    constexpr LONGLONG Y2038 = 0x80000000LL;   // the end of 32 signed bits
    constexpr LONGLONG Y2106 = 0x100000000LL;  // the end of 32 unsigned bits
    constexpr LONGLONG PERIOD = REMINDER_PERIOD;
    struct Case {
        const char* what;
        LONGLONG stored, now;  // stored as its low 32 bits
        LONGLONG read;
        bool bFirstUse, bDue;
    } cases[] = {
        {"nothing stored: the default, now", NOW, NOW, NOW, true, false},
        {"a day in", NOW - 86400, NOW, NOW - 86400, false, false},
        {"exactly 180 days", NOW - PERIOD, NOW, NOW - PERIOD, false, false},
        {"180 days and a second", NOW - PERIOD - 1, NOW, NOW - PERIOD - 1, false, true},
        {"0, in 1970", 0, NOW, 0, false, true},
        {"-1, before 1970", -1, NOW, -1, false, true},
        {"in the future: the clock went back", NOW + 1000, NOW, NOW + 1000, false, false},
        {"INT_MIN: nearer as 2038 than as 1901", Y2038, NOW, Y2038, false, false},
        {"nothing stored after 2038", Y2038 + 100, Y2038 + 100, Y2038 + 100, true, false},
        {"begun before 2038, over after", Y2038 - 100, Y2038 - 100 + PERIOD + 1, Y2038 - 100, false,
         true},
        {"begun before 2038, not over", Y2038 - 100, Y2038 - 100 + PERIOD, Y2038 - 100, false,
         false},
        {"begun before 2106, over after", Y2106 - 50, Y2106 + PERIOD, Y2106 - 50, false, true},
        {"in the future after 2106", Y2106 + 5000, Y2106 + 100, Y2106 + 5000, false, false},
    };
    for (const Case& c : cases) {
        const DWORD dwStored = static_cast<DWORD>(c.stored);
        EXPECT_EQ(ExpandStoredTime(dwStored, c.now), c.read) << c.what;
        const ReminderDecision decision = DecideReminder(dwStored, c.now);
        EXPECT_EQ(decision.bFirstUse, c.bFirstUse) << c.what;
        EXPECT_EQ(decision.bDue, c.bDue) << c.what;
    }
}

TEST(PopupRuleTest, TopLevelBrowserFramesWithoutASizingBorderAreAskedOnEveryPass) {
    RecordingClass browser("ieframe");  // class names are compared without case
    RecordingClass other("NotIEFrame");
    HWND hHost = other.Create(WS_OVERLAPPEDWINDOW);
    struct Case {
        const char* what;
        HWND hWnd;
        bool bPopup;
    } cases[] = {
        {"borderless", browser.Create(POPUP_STYLE | WS_VISIBLE), true},
        {"hidden", browser.Create(POPUP_STYLE), true},
        {"minimised", browser.Create(POPUP_STYLE | WS_VISIBLE | WS_MINIMIZE), true},
        {"with a sizing border", browser.Create(WS_OVERLAPPEDWINDOW | WS_VISIBLE), false},
        {"a child", browser.Create(WS_CHILD | WS_VISIBLE, hHost), false},
        {"another class", other.Create(POPUP_STYLE | WS_VISIBLE), false},
    };
    for (size_t nPass = 1; nPass <= 2; ++nPass) {
        CloseBrowserPopups();
        PumpPending();
        for (const Case& c : cases) {
            EXPECT_EQ(IsBrowserPopup(c.hWnd), c.bPopup) << c.what;
            EXPECT_EQ(RecordingClass::Requests(c.hWnd).size(), c.bPopup ? nPass : 0) << c.what;
        }
    }
}

TEST(MessengerTest, OnlyTheFirstByteOfControlSet001sStartValueBecomesDisabled) {
    const std::string kKey = "SYSTEM\\ControlSet001\\Services\\Messenger";
    const std::string kCurrent = "SYSTEM\\CurrentControlSet\\Services\\Messenger";
    auto bytes = [](size_t nSize, BYTE first) {
        std::vector<BYTE> data(nSize, 2);
        data[0] = first;
        return RegBytes(REG_BINARY, data);
    };
    struct Case {
        const char* what;
        RegValue before, after;
    } cases[] = {
        {"automatic", RegDword(2), RegDword(4)},
        {"manual", RegDword(3), RegDword(4)},
        {"a string keeps its type", RegBytes(REG_SZ, {'2', 0}), RegBytes(REG_SZ, {4, 0})},
        {"3 bytes keep their length", RegBytes(REG_DWORD, {2, 0, 0}),
         RegBytes(REG_DWORD, {4, 0, 0})},
        {"empty stays empty", RegBytes(REG_DWORD, {}), RegBytes(REG_DWORD, {})},
        {"260 bytes", bytes(260, 2), bytes(260, 4)},
        {"261 bytes are left alone", bytes(261, 2), bytes(261, 2)},
        {"a missing value is not created", RegValue(), RegValue()},
    };
    for (const Case& c : cases) {
        WriteValue(HKEY_LOCAL_MACHINE, kKey, "Start", c.before);
        WriteValue(HKEY_LOCAL_MACHINE, kCurrent, "Start", RegDword(3));
        DisableMessengerService();
        EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kKey, "Start"), c.after) << c.what;
        EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kCurrent, "Start"), RegDword(3)) << c.what;
    }
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kCurrent.c_str());
    ::SHDeleteKeyA(HKEY_LOCAL_MACHINE, kKey.c_str());
    DisableMessengerService();
    HKEY hKey;
    EXPECT_NE(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_READ, &hKey), ERROR_SUCCESS)
        << "a missing key is not created";
}

TEST(DirectoryPartTest, EndsAtTheLastBackslashThatIsNotTheSecondByteOfACharacter) {
    struct Case {
        const char* path;
        UINT nCodePage;
        const char* dir;
    } cases[] = {
        {"C:\\Program Files\\Zapwick\\zapwick.HLP", 1252, "C:\\Program Files\\Zapwick\\"},
        {"zapwick.HLP", 1252, ""},
        // In Shift-JIS 0x95 0x5C is one character whose second byte is a backslash.
        {"C:\\dir\\\x95\x5C", 932, "C:\\dir\\"},
        {"C:\\\x95\x5C\\zapwick.HLP", 932, "C:\\\x95\x5C\\"},
        {"C:\\dir\\\x95\x5C", 1252, "C:\\dir\\\x95\x5C"},
    };
    for (const Case& c : cases)
        EXPECT_STREQ(GetDirectoryPart(c.path, c.nCodePage), c.dir) << c.path << " " << c.nCodePage;
}

}  // namespace
