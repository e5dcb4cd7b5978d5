#include "ZapwickApp.h"

#include "MainFrame.h"
#include "res/resource.h"
#include "ui/AboutDlg.h"

const MsgEntry CZapwickApp::s_messageEntries[] = {
    OnCmd<&CZapwickApp::OnAppAbout>(ID_APP_ABOUT),
};
const MsgTable CZapwickApp::s_messageTable =
    MakeMsgTable(&CWinApp::s_messageTable, s_messageEntries);

BOOL CZapwickApp::InitInstance() {
    SetRegistryKey("Morvane");

    // The frame owns itself: it is freed when its window is destroyed.
    CMainFrame* pFrame = new CMainFrame;
    if (!pFrame->GetSafeHwnd()) {
        delete pFrame;
        return FALSE;
    }
    m_pMainWnd = pFrame;
    ::UpdateWindow(pFrame->GetSafeHwnd());
    return TRUE;
}

void CZapwickApp::OnAppAbout() {
    CAboutDlg aboutDlg;
    aboutDlg.DoModal();
}
