// Windows that record what reaches them, in one log shared by all of them, so
// that a test can compare the sequence of messages with what it expects.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct RecordedMessage {
    HWND hWnd;
    UINT nMsg;
    WPARAM wParam;
    LPARAM lParam;
    bool operator==(const RecordedMessage& o) const {
        return hWnd == o.hWnd && nMsg == o.nMsg && wParam == o.wParam && lParam == o.lParam;
    }
};

std::string Describe(const std::vector<RecordedMessage>& messages);

// A window class whose windows log the messages in `watched` (the union of the
// lists of all live classes) and otherwise act
// like plain windows, except that they ignore a request to close from the
// system menu (so a test can see it asked again).
class RecordingClass {
public:
    RecordingClass(const char* pszClassName, std::vector<UINT> watched);
    ~RecordingClass();

    HWND Create(DWORD dwStyle, DWORD dwExStyle = 0, HWND hParent = nullptr,
                const char* pszTitle = "recorder");

    const std::vector<RecordedMessage>& Log() const { return s_log; }
    size_t CountFor(HWND hWnd, UINT nMsg) const;
    void Clear() { s_log.clear(); }

private:
    static LRESULT CALLBACK Proc(HWND, UINT, WPARAM, LPARAM);
    static std::vector<RecordedMessage> s_log;
    static std::vector<UINT> s_watched;
    static int s_nLive;
    std::string m_name;
    std::vector<HWND> m_windows;
};
