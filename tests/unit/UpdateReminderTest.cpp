// The update reminder's rules with the clock set by the test: when it asks,
// what each answer does to the stored period, its texts, and times on both
// sides of 2038. The message boxes and the browser are captured at the imports.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "ImportHook.h"
#include "Registry.h"
#include "framework/WinApp.h"
#include "ui/UpdateReminder.h"

namespace {

const std::string kSetup = "Software\\Morvane\\Zapwick\\Setup";
const char kAddress[] = "http://www.morvane.example/products/zapwick.htm";
constexpr LONGLONG PERIOD = 15552000;
constexpr LONGLONG NOW = 1796000000;  // 2026-11-30

struct Box {
    HWND hOwner;
    std::string text, caption;
    UINT type;
};
std::vector<Box> s_boxes;
std::vector<int> s_answers;  // what the user answers, box by box
std::vector<std::string> s_opened;
UINT_PTR s_shellResult = 42;

int WINAPI FakeMessageBoxA(HWND hOwner, LPCSTR pszText, LPCSTR pszCaption, UINT uType) {
    s_boxes.push_back({hOwner, pszText, pszCaption, uType});
    const size_t i = s_boxes.size() - 1;
    return i < s_answers.size() ? s_answers[i] : IDOK;
}

HINSTANCE WINAPI FakeShellExecuteA(HWND, LPCSTR pszVerb, LPCSTR pszFile, LPCSTR, LPCSTR,
                                   INT nShow) {
    s_opened.push_back(std::string(pszVerb) + " " + pszFile + " " + std::to_string(nShow));
    return reinterpret_cast<HINSTANCE>(s_shellResult);
}

LONG WINAPI FailRegOpenKeyExA(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) {
    return ERROR_ACCESS_DENIED;
}

class UpdateReminderTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane");
        m_app.SetRegistryKey("Morvane");
        s_boxes.clear();
        s_answers.clear();
        s_opened.clear();
        s_shellResult = 42;
    }
    void TearDown() override { DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane"); }

    void Store(LONGLONG t) {
        WriteRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update",
                      RegValue::Dword(static_cast<DWORD>(t)));
    }
    RegValue Stored() { return ReadRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update"); }
    static RegValue Time(LONGLONG t) { return RegValue::Dword(static_cast<DWORD>(t)); }

    CWinApp m_app{"Zapwick"};
    ImportHook m_box{"user32.dll", "MessageBoxA", reinterpret_cast<const void*>(&FakeMessageBoxA)};
    ImportHook m_shell{"shell32.dll", "ShellExecuteA",
                       reinterpret_cast<const void*>(&FakeShellExecuteA)};
};

TEST_F(UpdateReminderTest, TheFirstCloseStartsThePeriodAndAsksNothing) {
    EXPECT_EQ(RemindToUpdateAt(kAddress, 1, NOW), 1);
    EXPECT_TRUE(s_boxes.empty());
    EXPECT_EQ(Stored(), Time(NOW));
}

TEST_F(UpdateReminderTest, AsksOnlyOnceMoreThan180DaysHavePassed) {
    struct Case {
        const char* what;
        LONGLONG stored;
        bool asks;
    } cases[] = {
        {"one day in", NOW - 86400, false},
        {"a second short of 180 days", NOW - PERIOD + 1, false},
        {"exactly 180 days", NOW - PERIOD, false},
        {"180 days and a second", NOW - PERIOD - 1, true},
        {"years ago", NOW - 10 * PERIOD, true},
        {"a stored 0 (1970)", 0, true},
        {"in the future: the clock was set back", NOW + 1000, false},
    };
    for (const Case& c : cases) {
        Store(c.stored);
        s_boxes.clear();
        s_answers = {IDNO};
        RemindToUpdateAt(kAddress, 0, NOW);
        EXPECT_EQ(s_boxes.size(), c.asks ? 1u : 0u) << c.what;
        EXPECT_EQ(Stored(), Time(c.stored)) << c.what << ": No with restartOnNo 0 keeps it";
    }
}

TEST_F(UpdateReminderTest, TheQuestionIsAnUnownedYesNoBoxWithoutIcon) {
    Store(NOW - PERIOD - 1);
    s_answers = {IDNO};
    RemindToUpdateAt(kAddress, 1, NOW);
    ASSERT_EQ(s_boxes.size(), 1u);
    EXPECT_EQ(s_boxes[0].hOwner, nullptr);
    EXPECT_EQ(s_boxes[0].text, "Do you want to check the lastest version on our website?");
    EXPECT_EQ(s_boxes[0].caption, "Update the program");
    EXPECT_EQ(s_boxes[0].type, static_cast<UINT>(MB_YESNO));
}

TEST_F(UpdateReminderTest, EachAnswerOpensAndRestartsAsItShould) {
    const std::string open = std::string("open ") + kAddress + " 1";
    const std::string failure =
        "The Program does not launch your web browser to access http://www.morvane.example/ ,\n"
        "Please launch your web browser and input the URL manually.";
    struct Case {
        const char* what;
        int answer;
        int restartOnNo;
        UINT_PTR shellResult;
        bool opens;
        bool errorBox;
        bool restarts;
    } cases[] = {
        {"Yes", IDYES, 1, 42, true, false, true},
        {"Yes, restartOnNo 0", IDYES, 0, 42, true, false, true},
        {"No, restartOnNo 1", IDNO, 1, 42, false, false, true},
        {"No, restartOnNo 0", IDNO, 0, 42, false, false, false},
        {"No, restartOnNo 2", IDNO, 2, 42, false, false, false},
        {"the box failed, restartOnNo 1", 0, 1, 42, false, false, true},
        {"Yes, no browser", IDYES, 1, 2, true, true, true},
        {"Yes, browser result 32", IDYES, 0, 32, true, true, true},
        {"Yes, browser result 33", IDYES, 0, 33, true, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Store(NOW - PERIOD - 1);
        s_boxes.clear();
        s_opened.clear();
        s_answers = {c.answer, IDOK};
        s_shellResult = c.shellResult;
        RemindToUpdateAt(kAddress, c.restartOnNo, NOW);
        EXPECT_EQ(s_opened, c.opens ? std::vector<std::string>{open} : std::vector<std::string>{});
        ASSERT_EQ(s_boxes.size(), c.errorBox ? 2u : 1u);
        if (c.errorBox) {
            EXPECT_EQ(s_boxes[1].hOwner, nullptr);
            EXPECT_EQ(s_boxes[1].text, failure);
            EXPECT_EQ(s_boxes[1].caption, "unknown errors");
            EXPECT_EQ(s_boxes[1].type, static_cast<UINT>(MB_OK));
        }
        EXPECT_EQ(Stored(), Time(c.restarts ? NOW : NOW - PERIOD - 1));
    }
}

TEST_F(UpdateReminderTest, AnUnavailableStoreNeverAsks) {
    ImportHook failOpen("advapi32.dll", "RegOpenKeyExA",
                        reinterpret_cast<const void*>(&FailRegOpenKeyExA));
    ASSERT_TRUE(failOpen.Installed());
    for (LONGLONG now : {NOW, NOW + 10 * PERIOD}) RemindToUpdateAt(kAddress, 1, now);
    EXPECT_TRUE(s_boxes.empty());
}

TEST_F(UpdateReminderTest, KeepsWorkingAfter2038) {
    const LONGLONG y2038 = 0x80000000LL;  // 2038-01-19 03:14:08
    struct Case {
        const char* what;
        bool hasStored;
        LONGLONG stored;
        LONGLONG now;
        bool asks;
        LONGLONG after;
    } cases[] = {
        {"first use after 2038", false, 0, y2038 + 100, false, y2038 + 100},
        {"a period begun before and ended after", true, y2038 - 100, y2038 - 100 + PERIOD + 1, true,
         y2038 - 100 + PERIOD + 1},
        {"not yet over across the boundary", true, y2038 - 100, y2038 - 100 + PERIOD, false,
         y2038 - 100},
        {"stale, long after 2038", true, y2038 * 3 / 2, y2038 * 3 / 2 + 2 * PERIOD, true,
         y2038 * 3 / 2 + 2 * PERIOD},
        {"future, after 2038", true, y2038 + 5000, y2038 + 100, false, y2038 + 5000},
        {"in 2106 and beyond", true, 0x100000000LL - 50, 0x100000000LL + PERIOD, true,
         0x100000000LL + PERIOD},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane");
        if (c.hasStored) Store(c.stored);
        s_boxes.clear();
        s_answers = {IDNO};
        RemindToUpdateAt(kAddress, 1, c.now);
        EXPECT_EQ(s_boxes.size(), c.asks ? 1u : 0u);
        EXPECT_EQ(Stored(), Time(c.after));
    }
}

TEST(StoredTimeTest, ReadsBackTheNearestTimeWithTheStoredLowBits) {
    struct Case {
        DWORD stored;
        LONGLONG now, expected;
    } cases[] = {
        {static_cast<DWORD>(NOW - 5), NOW, NOW - 5},
        {0, NOW, 0},
        {0xFFFFFFFF, NOW, -1},
        {0x80000000, NOW, 0x80000000LL},  // nearer as 2038 than as 1901
        {0x7FFFFFFF, 0x80000000LL + 10, 0x7FFFFFFF},
        {0x00000010, 0x100000000LL - 10, 0x100000010LL},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ExpandStoredTime(c.stored, c.now), c.expected) << c.stored;
}

TEST(StoredTimeTest, TheClockIsSecondsSince1970) {
    // 2026-01-01 and 2100-01-01 bracket any day this test runs on.
    EXPECT_GT(CurrentUnixTime(), 1767225600LL);
    EXPECT_LT(CurrentUnixTime(), 4102444800LL);
}

}  // namespace
