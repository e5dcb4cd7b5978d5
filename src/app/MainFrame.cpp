#include "MainFrame.h"

#include "blocking/BrowserPopupScanner.h"
#include "res/WindowNames.h"
#include "res/resource.h"
#include "tray/AppTrayWnd.h"
#include "ui/ZapwickDlg.h"

const MsgEntry CMainFrame::s_messageEntries[] = {
    OnMsg<&CMainFrame::OnCreate>(WM_CREATE),
    OnMsg<&CMainFrame::OnTimer>(WM_TIMER),
    OnMsg<&CMainFrame::OnDestroy>(WM_DESTROY),
};
const MsgTable CMainFrame::s_messageTable =
    MakeMsgTable(&CFrameWnd::s_messageTable, s_messageEntries);

CMainFrame::CMainFrame() {
    Create(nullptr, MAIN_FRAME_TITLE, WS_OVERLAPPEDWINDOW, WS_EX_CLIENTEDGE);
    m_bBlockingEnabled = TRUE;
}

CMainFrame::~CMainFrame() = default;

int CMainFrame::OnCreate(LPCREATESTRUCTA pCreate) {
    if (CFrameWnd::OnCreate(pCreate) == -1) return -1;

    // The tray window owns itself; the frame only closes it at the end.
    m_pTrayWnd = new CAppTrayWnd;
    if (!m_pTrayWnd->Create()) {
        delete m_pTrayWnd;  // no window, so nothing would ever free it
        m_pTrayWnd = nullptr;
    }

    // No main window is recorded yet and none of ours is active, so the
    // dialog gets no owner: it is a top-level window of its own, and the
    // frame's end does not take it along before OnDestroy deletes it.
    m_pStatusDlg = nullptr;
    m_pStatusDlg = new CZapwickDlg;
    m_pStatusDlg->Create(IDD_ZAPWICK_DIALOG);

    SetTimer(TIMER_SCAN, SCAN_INTERVAL_MS);
    return 0;
}

void CMainFrame::OnTimer(UINT_PTR nIdEvent) {
    if (nIdEvent == TIMER_SCAN) CloseBrowserPopups();
    Default();
}

void CMainFrame::OnDestroy() {
    CFrameWnd::OnDestroy();
    // The dialog may be inside one of its own handlers (a message box in it
    // is what let this close through); it is then freed when that returns.
    CWnd::DestroyAndDelete(m_pStatusDlg);
    m_pStatusDlg = nullptr;
    // The tray window removes its icon and frees itself; if it went earlier,
    // it cleared this pointer on its way.
    if (m_pTrayWnd) ::SendMessageA(m_pTrayWnd->GetSafeHwnd(), WM_CLOSE, 0, 0);
}
