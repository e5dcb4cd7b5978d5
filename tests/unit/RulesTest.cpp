// Rules that are hard to reach from outside the program, as tables: the
// reminder's reading of its stored time, the Messenger switch-off, where the
// program's directory ends in a double-byte code page and in UTF-8, and how a
// folder is spelled for the programs that it starts.
#include <tuple>

#include "Support.h"
#include "blocking/MessengerService.h"
#include "framework/NarrowPath.h"
#include "ui/HelpCommands.h"
#include "ui/UpdateReminder.h"

namespace {

TEST(ReminderRuleTest, AsksOnceMoreThan180DaysHavePassedOnEitherSideOf2038And2106) {
    constexpr LONGLONG NOW = 1796000000;       // 2026-11-30
    constexpr LONGLONG Y2038 = 0x80000000LL;   // where 32 signed bits end
    constexpr LONGLONG Y2106 = 0x100000000LL;  // where 32 unsigned bits end
    constexpr LONGLONG PERIOD = 180LL * 24 * 60 * 60;
    // The time stored (its low 32 bits) and read back as itself, now, first use, due.
    const std::tuple<LONGLONG, LONGLONG, bool, bool> cases[] = {
        {NOW, NOW, true, false},  // nothing stored: the default, now
        {NOW - PERIOD, NOW, false, false},
        {NOW - PERIOD - 1, NOW, false, true},
        {NOW + 1000, NOW, false, false},  // the clock went back
        {Y2038, NOW, false, false},       // nearer as 2038 than as 1901
        {Y2038 + 100, Y2038 + 100, true, false},
        {Y2038 - 100, Y2038 - 100 + PERIOD, false, false},
        {Y2038 - 100, Y2038 - 100 + PERIOD + 1, false, true},
        {Y2106 - 50, Y2106 + PERIOD, false, true},
        {Y2106 + 5000, Y2106 + 100, false, false},
    };
    for (const auto& [stored, now, bFirstUse, bDue] : cases) {
        const DWORD dwStored = static_cast<DWORD>(stored);
        const ReminderDecision decision = DecideReminder(dwStored, now);
        EXPECT_EQ(ExpandStoredTime(dwStored, now), stored) << stored << " at " << now;
        EXPECT_EQ(decision.bFirstUse, bFirstUse) << stored << " at " << now;
        EXPECT_EQ(decision.bDue, bDue) << stored << " at " << now;
    }
}

TEST(MessengerTest, OnlyTheFirstByteOfControlSet001sStartValueBecomesDisabled) {
    const std::string kKey = "SYSTEM\\ControlSet001\\Services\\Messenger";
    auto bytes = [](size_t nSize, BYTE first) {
        std::vector<BYTE> data(nSize, 2);
        data[0] = first;
        return RegValue(REG_BINARY, data);
    };
    const std::tuple<const char*, RegValue, RegValue> cases[] = {
        {"automatic", RegDword(2), RegDword(4)},
        {"a string keeps its type", RegValue(REG_SZ, {'2', 0}), RegValue(REG_SZ, {4, 0})},
        {"empty stays empty", RegValue(REG_DWORD, {}), RegValue(REG_DWORD, {})},
        {"260 bytes", bytes(260, 2), bytes(260, 4)},
        {"261 bytes are left alone", bytes(261, 2), bytes(261, 2)},
        {"a missing value is not created", RegValue(), RegValue()},
    };
    for (const auto& [pszWhat, before, after] : cases) {
        WriteValue(HKEY_LOCAL_MACHINE, kKey, "Start", before);
        DisableMessengerService();
        EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kKey, "Start"), after) << pszWhat;
    }
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kKey.c_str());
    DisableMessengerService();
    HKEY hKey;
    EXPECT_NE(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey.c_str(), 0, KEY_READ, &hKey), ERROR_SUCCESS)
        << "a missing key is not created";
}

TEST(DirectoryPartTest, EndsAtTheLastBackslashThatIsNotTheSecondByteOfACharacter) {
    const std::tuple<const char*, UINT, const char*> cases[] = {
        {"C:\\Program Files\\Zapwick\\zapwick.HLP", 1252, "C:\\Program Files\\Zapwick\\"},
        {"zapwick.HLP", 1252, ""},
        // In Shift-JIS 0x95 0x5C is one character whose second byte is a backslash.
        {"C:\\dir\\\x95\x5C", 932, "C:\\dir\\"},
        {"C:\\\x95\x5C\\zapwick.HLP", 932, "C:\\\x95\x5C\\"},
        {"C:\\dir\\\x95\x5C", 1252, "C:\\dir\\\x95\x5C"},
        {"C:\\\xC5\x81ukasz\\\xE8\xA1\xA8\\zapwick.HLP", CP_UTF8,
         "C:\\\xC5\x81ukasz\\\xE8\xA1\xA8\\"},
    };
    for (const auto& [pszPath, nCodePage, pszDir] : cases)
        EXPECT_STREQ(GetDirectoryPart(pszPath, nCodePage), pszDir) << pszPath << " " << nCodePage;
}

// This process, like the program, speaks UTF-8 (their manifest says so); the
// programs that it starts read their command lines in the code page given.
TEST(NarrowPathTest, AFolderAsItIsWhereTheReadersCodePageSpellsItElseItsShortForm) {
    wchar_t temp[MAX_PATH];
    const std::wstring base(temp, ::GetTempPathW(MAX_PATH, temp));
    // A folder's name, the readers' code page, whether the path stays as it is.
    const std::tuple<const wchar_t*, UINT, bool> cases[] = {
        {L"zap wick", 1252, true},
        {L"\x0141ukasz \x017B\x00F3\x0142\x0107", 1252, false},
        {L"\x0141ukasz \x017B\x00F3\x0142\x0107", 1250, true},
        {L"\x8868", 1252, false},
        {L"\x8868", 932, true},
        {L"\x65E5\x672C \x0141", CP_UTF8, true},
    };
    for (const auto& [pszName, nCodePage, bAsItIs] : cases) {
        const std::wstring dir = base + pszName;
        ::CreateDirectoryW(dir.c_str(), nullptr);
        wchar_t path[MAX_PATH] = {}, longPath[MAX_PATH] = {};
        ::MultiByteToWideChar(CP_ACP, 0, GetNarrowPath(dir.c_str(), nCodePage), -1, path, MAX_PATH);
        ::GetLongPathNameW(path, longPath, MAX_PATH);
        EXPECT_EQ(path == dir, bAsItIs) << nCodePage;
        EXPECT_EQ(longPath, dir) << nCodePage;
        ::RemoveDirectoryW(dir.c_str());
    }
}

}  // namespace
