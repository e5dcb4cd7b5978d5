// The frame window: a top-level window that is normally the application's main
// window. Closing it ends the program: when the main window's last message has
// gone, the quit message is posted. The object frees itself with its window.
// At log-off or shut-down the main frame lets the session end without tearing
// anything down; asked to close by an installer, it closes as if by WM_CLOSE.
#pragma once

#include "Wnd.h"

class CFrameWnd : public CWnd {
public:
    // Creates the window; a null class name means a framework class with an
    // arrow cursor and the window colour as background.
    BOOL Create(LPCSTR pszClassName, LPCSTR pszTitle, DWORD dwStyle = WS_OVERLAPPEDWINDOW,
                DWORD dwExStyle = 0, int x = CW_USEDEFAULT, int y = CW_USEDEFAULT,
                int nWidth = CW_USEDEFAULT, int nHeight = CW_USEDEFAULT);

    // Commands go to the frame's own table, then to the application's.
    BOOL OnCmdMsg(UINT nId) override;

    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }
    void PostNcDestroy() override { delete this; }

    int OnCreate(LPCREATESTRUCTA pCreate);
    void OnDestroy();

private:
    void OnClose();
    void OnNcDestroy();
    BOOL OnQueryEndSession();
    void OnEndSession(BOOL bEnding, UINT nLogOffFlags);

    static const MsgEntry s_messageEntries[];
};
