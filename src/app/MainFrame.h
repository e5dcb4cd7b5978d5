// The main frame: a window that is never shown. It keeps the program alive,
// owns the status dialog, closes the tray window at the end, and runs one
// browser pop-up scan on every tick of its timer.
#pragma once

#include "framework/FrameWnd.h"

class CAppTrayWnd;
class CZapwickDlg;

constexpr UINT_PTR TIMER_SCAN = 1;
constexpr UINT SCAN_INTERVAL_MS = 500;

class CMainFrame : public CFrameWnd {
public:
    // Creates the frame window (and with it the program's other windows).
    CMainFrame();
    ~CMainFrame() override;

    CZapwickDlg* m_pStatusDlg = nullptr;  // owned
    CAppTrayWnd* m_pTrayWnd = nullptr;    // owns itself; kept only to close it
    BOOL m_bBlockingEnabled = FALSE;

    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }

private:
    int OnCreate(LPCREATESTRUCTA pCreate);
    void OnTimer(UINT_PTR nIdEvent);
    void OnDestroy();

    static const MsgEntry s_messageEntries[];
};
