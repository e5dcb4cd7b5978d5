// The help and log file commands in this process: the directory part of a
// path in single- and double-byte code pages, the log file's states, the
// command lines and start-up records handed to the system, and paths too long
// for the path buffer. The system calls that start programs are captured.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ImportHook.h"
#include "framework/FrameWnd.h"
#include "framework/WinApp.h"
#include "ui/HelpCommands.h"

namespace {

TEST(DirectoryPartTest, EndsAtTheLastRealBackslash) {
    struct Case {
        const char* path;
        UINT codePage;
        const char* expected;
    } cases[] = {
        {"C:\\Program Files\\Zapwick\\zapwick.HLP", 1252, "C:\\Program Files\\Zapwick\\"},
        {"zapwick.HLP", 1252, ""},
        {"", 1252, ""},
        {"C:\\dir\\", 1252, "C:\\dir\\"},
        {"\\", 1252, "\\"},
        {"\\\\server\\share\\x", 1252, "\\\\server\\share\\"},
        // In Shift-JIS 0x95 0x5C is one character whose second byte is a backslash.
        {"C:\\dir\\\x95\x5C", 932, "C:\\dir\\"},
        {"C:\\\x95\x5C\\zapwick.HLP", 932, "C:\\\x95\x5C\\"},
        {"C:\\dir\\\x95", 932, "C:\\dir\\"},               // a lead byte cut off at the end
        {"C:\\dir\\\x95\x5C", 1252, "C:\\dir\\\x95\x5C"},  // where 0x5C is a backslash
    };
    for (const Case& c : cases)
        EXPECT_STREQ(GetDirectoryPart(c.path, c.codePage), c.expected)
            << c.path << " in " << c.codePage;
}

// An application whose executable path a test may set.
class CTestApp : public CWinApp {
public:
    CTestApp() : CWinApp("Zapwick") {}
    void SetHelpFilePath(const std::string& path) { m_strHelpFilePath = path.c_str(); }
};

std::string TempDir(const char* pszName) {
    char temp[MAX_PATH];
    ::GetTempPathA(sizeof(temp), temp);
    std::string dir = std::string(temp) + pszName + "\\";
    ::CreateDirectoryA(dir.c_str(), nullptr);
    return dir;
}

void WriteFile(const std::string& path, const std::string& content) {
    HANDLE h = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    ::WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    ::CloseHandle(h);
}

bool FileExists(const std::string& path) {
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

TEST(LogFileExistsTest, APresentLogIsOneThatCanBeOpenedForReading) {
    const std::string dir = TempDir("zapwick log states");
    const std::string path = dir + "zapwick_log.txt";
    struct Case {
        const char* what;
        bool bCreate;
        DWORD dwOtherAccess;  // another program holds the file open so, if not 0
        DWORD dwOtherShare;
        bool bReadOnly;
        bool exists;
    } cases[] = {
        {"missing", false, 0, 0, false, false},
        {"zero bytes", true, 0, 0, false, true},
        {"read-only", true, 0, 0, true, true},
        {"open elsewhere for reading, shared", true, GENERIC_READ, FILE_SHARE_READ, false, true},
        {"open elsewhere for writing", true, GENERIC_WRITE, FILE_SHARE_READ, false, false},
        {"open elsewhere without read sharing", true, GENERIC_READ, 0, false, false},
    };
    const UINT nModeBefore = ::SetErrorMode(0);
    ::SetErrorMode(nModeBefore);
    for (const Case& c : cases) {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
        if (c.bCreate) WriteFile(path, "");
        if (c.bReadOnly) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE hOther = INVALID_HANDLE_VALUE;
        if (c.dwOtherAccess)
            hOther = ::CreateFileA(path.c_str(), c.dwOtherAccess, c.dwOtherShare, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
        EXPECT_EQ(LogFileExists(path.c_str()), c.exists) << c.what;
        EXPECT_EQ(::SetErrorMode(nModeBefore), nModeBefore) << c.what << ": error mode restored";
        if (hOther != INVALID_HANDLE_VALUE) ::CloseHandle(hOther);
    }
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(path.c_str());
    ::RemoveDirectoryA(dir.c_str());
}

// Captured system calls.
std::vector<std::string> s_calls;
STARTUPINFOA s_startup;
HANDLE s_handles[2];
BOOL s_bStartResult = TRUE;

UINT WINAPI FakeWinExec(LPCSTR pszCmdLine, UINT nShow) {
    s_calls.push_back("WinExec " + std::string(pszCmdLine) + " / " + std::to_string(nShow));
    return 33;
}

BOOL WINAPI FakeCreateProcessA(LPCSTR pszApp, LPSTR pszCmdLine, LPSECURITY_ATTRIBUTES pProcessSa,
                               LPSECURITY_ATTRIBUTES pThreadSa, BOOL bInherit, DWORD dwFlags,
                               LPVOID pEnv, LPCSTR pszDir, LPSTARTUPINFOA pStartup,
                               LPPROCESS_INFORMATION pInfo) {
    s_calls.push_back("CreateProcess " + std::string(pszCmdLine) +
                      (pszApp || pProcessSa || pThreadSa || bInherit || dwFlags || pEnv || pszDir
                           ? " / with extras"
                           : ""));
    s_startup = *pStartup;
    if (!s_bStartResult) return FALSE;
    // Real handles, so that the test can see them closed.
    for (HANDLE& h : s_handles) h = ::CreateEventA(nullptr, FALSE, FALSE, nullptr);
    pInfo->hProcess = s_handles[0];
    pInfo->hThread = s_handles[1];
    return TRUE;
}

struct Box {
    HWND hOwner;
    std::string text, caption;
    UINT type;
};
std::vector<Box> s_boxes;

int WINAPI FakeMessageBoxA(HWND hOwner, LPCSTR pszText, LPCSTR pszCaption, UINT uType) {
    s_boxes.push_back({hOwner, pszText, pszCaption ? pszCaption : "(null)", uType});
    return IDOK;
}

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        s_calls.clear();
        s_boxes.clear();
        s_bStartResult = TRUE;
        m_dir = TempDir("zapwick commands");
        UseDirectory(m_dir);
    }
    void TearDown() override {
        ::DeleteFileA((m_dir + "zapwick_log.txt").c_str());
        ::RemoveDirectoryA(m_dir.c_str());
    }
    void UseDirectory(const std::string& dir) { m_app.SetHelpFilePath(dir + "zapwick.HLP"); }

    CTestApp m_app;
    std::string m_dir;
    ImportHook m_winExec{"kernel32.dll", "WinExec", reinterpret_cast<const void*>(&FakeWinExec)};
    ImportHook m_createProcess{"kernel32.dll", "CreateProcessA",
                               reinterpret_cast<const void*>(&FakeCreateProcessA)};
    ImportHook m_messageBox{"user32.dll", "MessageBoxA",
                            reinterpret_cast<const void*>(&FakeMessageBoxA)};
};

TEST_F(CommandsTest, HelpStartsTheViewerOnTheIntroductionUnquoted) {
    ASSERT_TRUE(m_winExec.Installed());
    OpenHelp();
    EXPECT_EQ(s_calls, std::vector<std::string>{"WinExec hh.exe " + m_dir +
                                                "help.chm::/Introduction.htm / 5"});
    EXPECT_TRUE(s_boxes.empty());
}

TEST_F(CommandsTest, ViewOpensAnExistingLogInNotepadAndLetsItGo) {
    ASSERT_TRUE(m_createProcess.Installed());
    WriteFile(m_dir + "zapwick_log.txt", "");
    ViewLogFile();
    EXPECT_EQ(s_calls,
              std::vector<std::string>{"CreateProcess Notepad.exe " + m_dir + "zapwick_log.txt"});
    EXPECT_EQ(s_startup.cb, sizeof(STARTUPINFOA));
    EXPECT_EQ(s_startup.wShowWindow, SW_SHOW);
    EXPECT_EQ(s_startup.dwFlags, 0u);
    DWORD dwFlags;
    EXPECT_FALSE(::GetHandleInformation(s_handles[0], &dwFlags)) << "process handle closed";
    EXPECT_FALSE(::GetHandleInformation(s_handles[1], &dwFlags)) << "thread handle closed";
    EXPECT_TRUE(s_boxes.empty());
}

TEST_F(CommandsTest, ViewWithoutALogSaysSoInABoxOwnedByTheMainWindow) {
    auto* pFrame = new CFrameWnd;  // frees itself
    ASSERT_TRUE(pFrame->Create(nullptr, "main"));
    m_app.m_pMainWnd = pFrame;
    ViewLogFile();
    ASSERT_EQ(s_boxes.size(), 1u);
    EXPECT_EQ(s_boxes[0].hOwner, pFrame->GetSafeHwnd());
    EXPECT_EQ(s_boxes[0].text, "The log file is empty!");
    EXPECT_EQ(s_boxes[0].caption, "Zapwick");
    EXPECT_EQ(s_boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_TRUE(s_calls.empty());
    m_app.m_pMainWnd = nullptr;
    pFrame->DestroyWindow();
}

TEST_F(CommandsTest, ClearDeletesTheLogSilentlyAndLeavesAReadOnlyOne) {
    const std::string log = m_dir + "zapwick_log.txt";
    ClearLogFile();  // nothing there: nothing happens
    WriteFile(log, "some lines\r\n");
    ClearLogFile();
    EXPECT_FALSE(FileExists(log));
    WriteFile(log, "x");
    ::SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_READONLY);
    ClearLogFile();
    EXPECT_TRUE(FileExists(log));
    ::SetFileAttributesA(log.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_TRUE(s_boxes.empty());
    EXPECT_TRUE(s_calls.empty());
}

TEST_F(CommandsTest, AStartThatFailsIsNotReported) {
    s_bStartResult = FALSE;
    WriteFile(m_dir + "zapwick_log.txt", "");
    ViewLogFile();
    EXPECT_EQ(s_calls.size(), 1u);
    EXPECT_TRUE(s_boxes.empty());
    EXPECT_FALSE(StartProgram("Notepad.exe x"));
}

int s_nDeletes = 0;
BOOL WINAPI CountDeleteFileA(LPCSTR) {
    ++s_nDeletes;
    return TRUE;
}

std::vector<size_t> s_opened;  // lengths of the paths CreateFileA was given
HANDLE WINAPI RecordCreateFileA(LPCSTR pszPath, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD,
                                HANDLE) {
    s_opened.push_back(strlen(pszPath));
    ::SetLastError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
}

TEST_F(CommandsTest, ALogPathTooLongForThePathBufferCountsAsNoLog) {
    ImportHook deleteHook("kernel32.dll", "DeleteFileA",
                          reinterpret_cast<const void*>(&CountDeleteFileA));
    ASSERT_TRUE(deleteHook.Installed());
    ImportHook createHook("kernel32.dll", "CreateFileA",
                          reinterpret_cast<const void*>(&RecordCreateFileA));
    ASSERT_TRUE(createHook.Installed());
    // "zapwick_log.txt" is 15 characters; the buffer holds 259 and the end.
    struct Case {
        size_t nDirectory;
        bool fits;
    } cases[] = {{244, true}, {245, false}, {400, false}, {5000, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nDirectory);
        s_calls.clear();
        s_boxes.clear();
        s_nDeletes = 0;
        s_opened.clear();
        std::string dir = "C:\\" + std::string(c.nDirectory - 4, 'd') + "\\";
        ASSERT_EQ(dir.size(), c.nDirectory);
        UseDirectory(dir);
        ViewLogFile();
        ClearLogFile();
        // Either way there is no log: the box for View, nothing for Clear. A
        // path that fits is looked for; one that does not is never used.
        EXPECT_EQ(s_boxes.size(), 1u);
        EXPECT_EQ(s_nDeletes, 0);
        EXPECT_EQ(s_opened,
                  c.fits ? std::vector<size_t>(2, c.nDirectory + 15) : std::vector<size_t>());
        OpenHelp();
        ASSERT_EQ(s_calls.size(), 1u) << "help takes any length";
        EXPECT_EQ(s_calls[0].size(), std::string("WinExec hh.exe ").size() + c.nDirectory +
                                         std::string("help.chm::/Introduction.htm / 5").size());
    }
}

}  // namespace
