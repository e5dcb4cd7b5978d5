// Rules that are hard to reach from outside the program, as tables: the
// reminder's reading of its stored time, what is a browser pop-up, the
// Messenger switch-off, and where the program's directory ends in a
// double-byte code page.
#include "Support.h"
#include "blocking/BrowserPopupScanner.h"
#include "blocking/MessengerService.h"
#include "ui/HelpCommands.h"
#include "ui/UpdateReminder.h"

namespace {

TEST(ReminderRuleTest, AsksOnceMoreThan180DaysHavePassedOnEitherSideOf2038And2106) {
    constexpr LONGLONG NOW = 1796000000;       // 2026-11-30
    constexpr LONGLONG Y2038 = 0x80000000LL;   // where 32 signed bits end
    constexpr LONGLONG Y2106 = 0x100000000LL;  // where 32 unsigned bits end
    constexpr LONGLONG DAYS180 = REMINDER_PERIOD;
    struct Case {
        LONGLONG stored, now, read;  // stored as its low 32 bits
        bool bFirstUse, bDue;
    } cases[] = {
        {NOW, NOW, NOW, true, false},  // nothing stored: the default, now
        {NOW - 86400, NOW, NOW - 86400, false, false},
        {NOW - DAYS180, NOW, NOW - DAYS180, false, false},
        {NOW - DAYS180 - 1, NOW, NOW - DAYS180 - 1, false, true},
        {0, NOW, 0, false, true},
        {-1, NOW, -1, false, true},
        {NOW + 1000, NOW, NOW + 1000, false, false},  // the clock went back
        {Y2038, NOW, Y2038, false, false},            // nearer as 2038 than as 1901
        {Y2038 + 100, Y2038 + 100, Y2038 + 100, true, false},
        {Y2038 - 100, Y2038 - 100 + DAYS180, Y2038 - 100, false, false},
        {Y2038 - 100, Y2038 - 100 + DAYS180 + 1, Y2038 - 100, false, true},
        {Y2106 - 50, Y2106 + DAYS180, Y2106 - 50, false, true},
        {Y2106 + 5000, Y2106 + 100, Y2106 + 5000, false, false},
    };
    for (const Case& c : cases) {
        const DWORD dwStored = static_cast<DWORD>(c.stored);
        const ReminderDecision decision = DecideReminder(dwStored, c.now);
        EXPECT_EQ(ExpandStoredTime(dwStored, c.now), c.read) << c.stored << " at " << c.now;
        EXPECT_EQ(decision.bFirstUse, c.bFirstUse) << c.stored << " at " << c.now;
        EXPECT_EQ(decision.bDue, c.bDue) << c.stored << " at " << c.now;
    }
}

TEST(PopupRuleTest, TopLevelBrowserFramesWithoutASizingBorderAreAskedOnEveryPass) {
    HWND hHost = RecordingWindow("Host", WS_OVERLAPPEDWINDOW);
    struct Case {
        const char* what;
        HWND hWnd;
        bool bPopup;
    } cases[] = {
        // Class names are compared without regard to case.
        {"borderless", RecordingWindow("ieframe", POPUP_STYLE | WS_VISIBLE), true},
        {"hidden", RecordingWindow("ieframe", POPUP_STYLE), true},
        {"minimised", RecordingWindow("ieframe", POPUP_STYLE | WS_VISIBLE | WS_MINIMIZE), true},
        {"with a sizing border", RecordingWindow("ieframe", WS_OVERLAPPEDWINDOW), false},
        {"a child", RecordingWindow("ieframe", WS_CHILD | WS_VISIBLE, hHost), false},
        {"another class", RecordingWindow("Host", POPUP_STYLE | WS_VISIBLE), false},
    };
    for (size_t nPass = 1; nPass <= 2; ++nPass) {
        CloseBrowserPopups();
        PumpPending();
        for (const Case& c : cases) {
            EXPECT_EQ(IsBrowserPopup(c.hWnd), c.bPopup) << c.what;
            EXPECT_EQ(CloseRequests(c.hWnd).size(), c.bPopup ? nPass : 0) << c.what;
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
    for (const std::string& key : {kCurrent, kKey})
        ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
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
