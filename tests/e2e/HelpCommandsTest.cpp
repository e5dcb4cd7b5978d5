// Help, View log and Clear log of a running zapwick.exe, from outside. A copy
// of the program runs from a directory with blanks in its name, beside
// recorder programs named hh.exe and Notepad.exe that log how they were
// started.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "MessageBoxes.h"
#include "Pump.h"
#include "ZapwickProcess.h"

namespace {

constexpr UINT ID_TRAY_VIEW_LOG = 32776;
constexpr UINT ID_TRAY_CLEAR_LOG = 32777;
constexpr UINT ID_TRAY_HELP = 32779;

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class HelpCommandsE2eTest : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(sizeof(temp), temp);
        m_dir = std::string(temp) + "zap wick help test\\";
        ::CreateDirectoryA(m_dir.c_str(), nullptr);
        ASSERT_TRUE(::CopyFileA(ZapwickExePath().c_str(), (m_dir + "zapwick.exe").c_str(), FALSE));
        for (const char* name : {"hh.exe", "Notepad.exe"})
            ASSERT_TRUE(::CopyFileA((TestBinDir() + "recorder.exe").c_str(), (m_dir + name).c_str(),
                                    FALSE));
        m_zapwick.reset(new ZapwickProcess(m_dir + "zapwick.exe"));
        ASSERT_TRUE(m_zapwick->WaitUntilReady());
    }
    void TearDown() override {
        if (m_zapwick) {
            EXPECT_TRUE(m_zapwick->ClosesCleanly());
            m_zapwick.reset();
        }
        for (const char* name : {"zapwick.exe", "hh.exe", "Notepad.exe", "hh.exe.log",
                                 "Notepad.exe.log", "zapwick_log.txt"})
            ::DeleteFileA((m_dir + name).c_str());
        ::RemoveDirectoryA(m_dir.c_str());
    }
    void TrayCommand(UINT nId) { ::PostMessageA(m_zapwick->TrayWindow(), WM_COMMAND, nId, 0); }
    std::string WaitForLog(const char* pszProgram, size_t nLines = 1) {
        const std::string path = m_dir + pszProgram + ".log";
        PumpUntil([&] {
            const std::string text = ReadText(path);
            return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= nLines;
        });
        return ReadText(path);
    }

    std::string m_dir;
    std::unique_ptr<ZapwickProcess> m_zapwick;
};

TEST_F(HelpCommandsE2eTest, HelpFromTheTrayAndTheDialogOpensTheIntroduction) {
    const std::string expected = "hh.exe " + m_dir + "help.chm::/Introduction.htm\n";
    TrayCommand(ID_TRAY_HELP);
    EXPECT_EQ(WaitForLog("hh.exe"), expected);

    HWND hDlg = m_zapwick->StatusDialog();
    ::ShowWindow(hDlg, SW_SHOW);
    ::SendMessageA(::GetDlgItem(hDlg, ID_TRAY_HELP), BM_CLICK, 0, 0);
    EXPECT_EQ(WaitForLog("hh.exe", 2), expected + expected);
}

TEST_F(HelpCommandsE2eTest, ViewWithoutALogSaysItIsEmpty) {
    TrayCommand(ID_TRAY_VIEW_LOG);
    HWND hBox = WaitForMessageBox(m_zapwick->Pid(), "Zapwick");
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(MessageBoxText(hBox), "The log file is empty!");
    EXPECT_TRUE(MessageBoxHasIcon(hBox)) << "the exclamation mark";
    EXPECT_TRUE(MessageBoxHasButton(hBox, IDOK));
    EXPECT_FALSE(MessageBoxHasButton(hBox, IDCANCEL));
    EXPECT_EQ(::GetWindow(hBox, GW_OWNER), m_zapwick->Frame());
    AnswerMessageBox(hBox, IDOK);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hBox); }));
    EXPECT_FALSE(Exists(m_dir + "Notepad.exe.log"));
}

TEST_F(HelpCommandsE2eTest, ViewOpensTheLogInNotepadAndClearDeletesIt) {
    const std::string log = m_dir + "zapwick_log.txt";
    std::ofstream(log) << "12:00 blocked a pop-up\n";
    TrayCommand(ID_TRAY_VIEW_LOG);
    EXPECT_EQ(WaitForLog("Notepad.exe"), "Notepad.exe " + log + "\n");

    TrayCommand(ID_TRAY_CLEAR_LOG);
    EXPECT_TRUE(PumpUntil([&] { return !Exists(log); }));
    TrayCommand(ID_TRAY_CLEAR_LOG);  // nothing left to clear
    TrayCommand(ID_TRAY_HELP);       // a command after it, to know it was handled
    WaitForLog("hh.exe");
    for (HWND hWnd : FindProcessWindows(m_zapwick->Pid(), "#32770"))
        EXPECT_FALSE(::IsWindowVisible(hWnd)) << "Clear shows nothing";
}

}  // namespace
