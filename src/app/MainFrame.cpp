#include "MainFrame.h"

#include "blocking/BrowserPopupScanner.h"
#include "blocking/PopupWatcher.h"
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

    auto* pTrayWnd = new CAppTrayWnd(m_bBlockingEnabled);
    if (pTrayWnd->Create()) {
        m_hTrayWnd = pTrayWnd->GetSafeHwnd();
    } else {
        delete pTrayWnd;  // no window, so nothing would ever free it
        pTrayWnd = nullptr;
    }

    // No main window is recorded yet and none of ours is active, so the
    // dialog gets no owner: it is a top-level window of its own, and the
    // frame's end does not take it along before OnDestroy deletes it.
    m_pStatusDlg = nullptr;
    m_pStatusDlg = new CZapwickDlg;
    m_pStatusDlg->Create(IDD_ZAPWICK_DIALOG);
    if (pTrayWnd) pTrayWnd->SetStatusDialog(m_pStatusDlg);

    SetTimer(TIMER_SCAN, SCAN_INTERVAL_MS);
    // The scan stays: it catches what the watch cannot see, a window that
    // loses its sizing border after it was shown or a pop-up that ignored the
    // first request, and it works alone if the watch cannot be started.
    m_hPopupWatch = StartPopupWatch();
    return 0;
}

void CMainFrame::OnTimer(UINT_PTR nIdEvent) {
    if (nIdEvent == TIMER_SCAN) CloseBrowserPopups();
    Default();
}

void CMainFrame::OnDestroy() {
    CFrameWnd::OnDestroy();
    StopPopupWatch(m_hPopupWatch);
    m_hPopupWatch = nullptr;
    // The dialog may be inside one of its own handlers (a message box in it
    // is what let this close through); it is then freed when that returns.
    CWnd::DestroyAndDelete(m_pStatusDlg);
    m_pStatusDlg = nullptr;
    // The tray window removes its icon and frees itself. Nothing reaches it
    // between the two steps, so it never acts on the dialog just deleted. If
    // it was closed earlier, its handle is no longer one of ours (and may in
    // time name some other program's window), so it is not sent anything.
    if (CWnd::FromHandle(m_hTrayWnd)) ::SendMessageA(m_hTrayWnd, WM_CLOSE, 0, 0);
}
