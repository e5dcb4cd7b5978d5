// The main frame: a window that is never shown. It keeps the program alive,
// creates the tray window and the status dialog and hands the tray window the
// dialog and the blocking flag, owns the dialog, closes the tray window at the
// end, and runs one browser pop-up scan on every tick of its timer. Between
// ticks it watches for new pop-ups and has them closed as they appear.
#pragma once

#include "framework/FrameWnd.h"

class CZapwickDlg;

constexpr UINT_PTR TIMER_SCAN = 1;
constexpr UINT SCAN_INTERVAL_MS = 500;

class CMainFrame : public CFrameWnd {
public:
    // Creates the frame window (and with it the program's other windows).
    CMainFrame();
    ~CMainFrame() override;

    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }

private:
    int OnCreate(LPCREATESTRUCTA pCreate);
    void OnTimer(UINT_PTR nIdEvent);
    void OnDestroy();

    CZapwickDlg* m_pStatusDlg = nullptr;  // owned
    // The tray window owns itself; only its handle is kept, to close it at the
    // end. It may be closed earlier by someone else, and then frees itself.
    HWND m_hTrayWnd = nullptr;
    // Shown and flipped by the tray window, which holds a reference to it.
    BOOL m_bBlockingEnabled = FALSE;
    HWINEVENTHOOK m_hPopupWatch = nullptr;  // null if the platform refused it

    static const MsgEntry s_messageEntries[];
};
