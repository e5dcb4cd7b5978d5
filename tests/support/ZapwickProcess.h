// Drives a real zapwick.exe from outside, as Windows and the user would: start
// it, find its windows, wait for it to end. The destructor ends a copy that a
// failed test left running, so it cannot disturb the tests after it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

// The directory of the running test executable, with a trailing backslash.
std::string TestBinDir();

// zapwick.exe beside the test executables.
std::string ZapwickExePath();

// Top-level windows of process `pid` with this class (and title, if given).
std::vector<HWND> FindProcessWindows(DWORD pid, const char* pszClass,
                                     const char* pszTitle = nullptr);

class ZapwickProcess {
public:
    // Starts exePath with the given arguments and show-window value.
    explicit ZapwickProcess(const std::string& exePath = ZapwickExePath(),
                            const std::string& args = "", WORD wShowWindow = SW_SHOWNORMAL);
    // Starts a copy whose path the system code page may not spell.
    explicit ZapwickProcess(const std::wstring& exePath);
    ~ZapwickProcess();
    ZapwickProcess(const ZapwickProcess&) = delete;
    ZapwickProcess& operator=(const ZapwickProcess&) = delete;

    bool Started() const { return m_hProcess != nullptr; }
    DWORD Pid() const { return m_pid; }
    HANDLE Handle() const { return m_hProcess; }

    // Waits until the program is up: start-up over, main frame there.
    bool WaitUntilReady(DWORD timeoutMs = 10000);

    // The program's windows, found by class and title; null if absent.
    HWND Window(const char* pszClass, const char* pszTitle = nullptr) const;
    HWND Frame() const { return Window(nullptr, "Hello World!"); }
    HWND TrayWindow() const { return Window(nullptr, "TrayIconHandler"); }
    HWND StatusDialog() const { return Window("#32770", "Zapwick"); }

    // The program's user-interface thread, the window that has its keyboard
    // focus, and a key press sent there as the keyboard would.
    DWORD GuiThreadId() const;
    HWND FocusWindow() const;
    void PressKey(UINT vk) const;

    // Waits for the process to end; true with its exit code if it did.
    bool WaitForExit(DWORD timeoutMs, DWORD* pExitCode);

    // Success when the program ends (asked through its main frame, or by
    // itself) within the time, with exit code 0.
    ::testing::AssertionResult ClosesCleanly(DWORD timeoutMs = 10000);
    ::testing::AssertionResult ExitsCleanly(DWORD timeoutMs = 10000);

private:
    void Start(const std::wstring& exePath, const std::wstring& args, WORD wShowWindow);

    HANDLE m_hProcess = nullptr;
    DWORD m_pid = 0;
};
