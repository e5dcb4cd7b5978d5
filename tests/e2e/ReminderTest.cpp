// The update reminder of a running zapwick.exe, from outside: closing the
// status dialog starts the period; a stale period brings the question, whose
// answers open the product page in the registered browser (a recorder here)
// and restart the period; and the program can be ended while it asks.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "MessageBoxes.h"
#include "Pump.h"
#include "Registry.h"
#include "ZapwickProcess.h"

namespace {

const std::string kSetup = "Software\\Morvane\\Zapwick\\Setup";
const std::string kHttpCommand = "http\\shell\\open\\command";
constexpr LONGLONG PERIOD = 15552000;
constexpr int IDC_EXIT = 1008;
constexpr UINT ID_TRAY_EXIT = 32771;

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class ReminderTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_savedHttp = ReadRegValue(HKEY_CLASSES_ROOT, kHttpCommand, nullptr);
        DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane");
        ::DeleteFileA(m_log.c_str());
    }
    void TearDown() override {
        WriteRegValue(HKEY_CLASSES_ROOT, kHttpCommand, nullptr, m_savedHttp);
        DeleteRegTree(HKEY_CURRENT_USER, "Software\\Morvane");
        ::DeleteFileA(m_log.c_str());
    }

    void StoreTime(LONGLONG t) {
        WriteRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update",
                      RegValue::Dword(static_cast<DWORD>(t)));
    }
    LONGLONG StoredTime() {
        RegValue v = ReadRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update");
        if (!v.exists || v.type != REG_DWORD || v.data.size() != 4) return -1;
        return *reinterpret_cast<const int*>(v.data.data());
    }
    void RegisterBrowser(const std::string& command) {
        RegValue v;
        v.exists = true;
        v.type = REG_SZ;
        v.data.assign(command.begin(), command.end());
        v.data.push_back(0);
        WriteRegValue(HKEY_CLASSES_ROOT, kHttpCommand, nullptr, v);
    }

    // Starts Zapwick, shows its status dialog and closes it with the close box.
    void StartAndCloseTheDialog() {
        ASSERT_TRUE(m_zapwick.WaitUntilReady());
        m_hDlg = m_zapwick.StatusDialog();
        ::ShowWindow(m_hDlg, SW_SHOW);
        ASSERT_TRUE(PumpUntil([&] { return ::IsWindowVisible(m_hDlg) != FALSE; }));
        ::PostMessageA(m_hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    HWND WaitForQuestion() { return WaitForMessageBox(m_zapwick.Pid(), "Update the program"); }
    bool DialogHidden() {
        return PumpUntil([&] { return !::IsWindowVisible(m_hDlg); });
    }
    void ExpectRecentlyStored(LONGLONG before) {
        EXPECT_GE(StoredTime(), before);
        EXPECT_LE(StoredTime(), UnixTimeNow());
    }

    RegValue m_savedHttp;
    const std::string m_log = TestBinDir() + "recorder.exe.log";
    ZapwickProcess m_zapwick;
    HWND m_hDlg = nullptr;
};

TEST_F(ReminderTest, TheFirstCloseStartsThePeriodAndHidesTheDialog) {
    const LONGLONG before = UnixTimeNow();
    StartAndCloseTheDialog();
    ASSERT_TRUE(DialogHidden());
    ExpectRecentlyStored(before);
    EXPECT_EQ(ReadRegValue(HKEY_CURRENT_USER, kSetup, "t_first_update").type,
              static_cast<DWORD>(REG_DWORD));
    EXPECT_TRUE(m_zapwick.ClosesCleanly());
}

TEST_F(ReminderTest, AStalePeriodAsksAndNoRestartsIt) {
    StoreTime(UnixTimeNow() - PERIOD - 3600);
    const LONGLONG before = UnixTimeNow();
    StartAndCloseTheDialog();
    HWND hBox = WaitForQuestion();
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(MessageBoxText(hBox), "Do you want to check the lastest version on our website?");
    EXPECT_TRUE(MessageBoxHasButton(hBox, IDYES));
    EXPECT_TRUE(MessageBoxHasButton(hBox, IDNO));
    EXPECT_FALSE(MessageBoxHasButton(hBox, IDOK));
    EXPECT_FALSE(MessageBoxHasButton(hBox, IDCANCEL));
    EXPECT_FALSE(MessageBoxHasIcon(hBox));
    EXPECT_EQ(::GetWindow(hBox, GW_OWNER), nullptr);
    EXPECT_TRUE(::IsWindowVisible(m_hDlg)) << "the dialog hides only after the question";

    AnswerMessageBox(hBox, IDNO);
    ASSERT_TRUE(DialogHidden());
    ExpectRecentlyStored(before);
    EXPECT_TRUE(m_zapwick.ClosesCleanly());
}

TEST_F(ReminderTest, YesOpensTheProductPageInTheRegisteredBrowser) {
    RegisterBrowser("\"" + TestBinDir() + "recorder.exe\" \"%1\"");
    StoreTime(0);
    const LONGLONG before = UnixTimeNow();
    StartAndCloseTheDialog();
    HWND hBox = WaitForQuestion();
    ASSERT_NE(hBox, nullptr);
    AnswerMessageBox(hBox, IDYES);
    ASSERT_TRUE(DialogHidden());
    ASSERT_TRUE(PumpUntil([&] { return !ReadText(m_log).empty(); }));
    EXPECT_NE(ReadText(m_log).find("http://www.morvane.example/products/zapwick.htm"),
              std::string::npos)
        << ReadText(m_log);
    ExpectRecentlyStored(before);
    EXPECT_TRUE(m_zapwick.ClosesCleanly());
}

TEST_F(ReminderTest, ABrowserThatCannotStartIsReportedAndThePeriodRestartsAnyway) {
    RegisterBrowser("\"C:\\no such folder\\browser.exe\" \"%1\"");
    StoreTime(UnixTimeNow() - 2 * PERIOD);
    const LONGLONG before = UnixTimeNow();
    StartAndCloseTheDialog();
    HWND hBox = WaitForQuestion();
    ASSERT_NE(hBox, nullptr);
    AnswerMessageBox(hBox, IDYES);

    HWND hError = WaitForMessageBox(m_zapwick.Pid(), "unknown errors");
    ASSERT_NE(hError, nullptr);
    EXPECT_EQ(MessageBoxText(hError),
              "The Program does not launch your web browser to access "
              "http://www.morvane.example/ ,\nPlease launch your web browser and input the URL "
              "manually.");
    EXPECT_TRUE(MessageBoxHasButton(hError, IDOK));
    EXPECT_FALSE(MessageBoxHasButton(hError, IDCANCEL));
    EXPECT_EQ(::GetWindow(hError, GW_OWNER), nullptr);
    AnswerMessageBox(hError, IDOK);
    ASSERT_TRUE(DialogHidden());
    ExpectRecentlyStored(before);
    EXPECT_TRUE(m_zapwick.ClosesCleanly());
}

TEST_F(ReminderTest, TheProgramCanEndWhileItAsks) {
    struct Case {
        const char* what;
        bool bFromTray;
    } cases[] = {{"Exit in the tray menu", true}, {"the dialog's Exit button", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        StoreTime(UnixTimeNow() - 2 * PERIOD);
        ZapwickProcess zapwick;
        ASSERT_TRUE(zapwick.WaitUntilReady());
        HWND hDlg = zapwick.StatusDialog();
        ::ShowWindow(hDlg, SW_SHOW);
        ::PostMessageA(hDlg, WM_SYSCOMMAND, SC_CLOSE, 0);
        ASSERT_NE(WaitForMessageBox(zapwick.Pid(), "Update the program"), nullptr);

        if (c.bFromTray)
            ::PostMessageA(zapwick.TrayWindow(), WM_COMMAND, ID_TRAY_EXIT, 0);
        else
            ::SendMessageA(::GetDlgItem(hDlg, IDC_EXIT), BM_CLICK, 0, 0);
        EXPECT_TRUE(zapwick.ExitsCleanly()) << "no crash, no use of the freed dialog";
    }
}

}  // namespace
