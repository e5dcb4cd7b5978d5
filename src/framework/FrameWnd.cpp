#include "FrameWnd.h"

#include "WinApp.h"
#include "WndClass.h"

const MsgEntry CFrameWnd::s_messageEntries[] = {
    OnMsg<&CFrameWnd::OnCreate>(WM_CREATE),
    OnMsg<&CFrameWnd::OnClose>(WM_CLOSE),
    OnMsg<&CFrameWnd::OnDestroy>(WM_DESTROY),
    OnMsg<&CFrameWnd::OnNcDestroy>(WM_NCDESTROY),
    OnMsg<&CFrameWnd::OnQueryEndSession>(WM_QUERYENDSESSION),
    OnMsg<&CFrameWnd::OnEndSession>(WM_ENDSESSION),
};
const MsgTable CFrameWnd::s_messageTable = MakeMsgTable(&CWnd::s_messageTable, s_messageEntries);

BOOL CFrameWnd::Create(LPCSTR pszClassName, LPCSTR pszTitle, DWORD dwStyle, DWORD dwExStyle, int x,
                       int y, int nWidth, int nHeight) {
    char szClassName[WND_CLASS_NAME_SIZE];
    if (!pszClassName) {
        HBRUSH hbrWindow = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        if (!RegisterWndClass(szClassName, 0, ::LoadCursorA(nullptr, IDC_ARROW), hbrWindow,
                              nullptr))
            return FALSE;
        pszClassName = szClassName;
    }
    return CreateEx(dwExStyle, pszClassName, pszTitle, dwStyle, x, y, nWidth, nHeight, nullptr,
                    nullptr);
}

BOOL CFrameWnd::OnCmdMsg(UINT nId) {
    if (CWnd::OnCmdMsg(nId)) return TRUE;
    CWinApp* pApp = GetApp();
    return pApp && pApp->OnCmdMsg(nId);
}

int CFrameWnd::OnCreate(LPCREATESTRUCTA) {
    return static_cast<int>(Default());
}

void CFrameWnd::OnClose() {
    CWinApp* pApp = GetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        // Nothing to save. The program should look gone at once, before the
        // rest of it is torn down.
        ShowWindow(SW_HIDE);
        ::ShowOwnedPopups(m_hWnd, FALSE);
        ::SetWindowPos(m_hWnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
    DestroyWindow();
}

void CFrameWnd::OnDestroy() {
    Default();
}

void CFrameWnd::OnNcDestroy() {
    CWinApp* pApp = GetApp();
    if (pApp && pApp->m_pMainWnd == this) {
        pApp->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    Default();
}

BOOL CFrameWnd::OnQueryEndSession() {
    return TRUE;
}

void CFrameWnd::OnEndSession(BOOL bEnding, UINT nLogOffFlags) {
    CWinApp* pApp = GetApp();
    if (!bEnding || !pApp || pApp->m_pMainWnd != this) return;
    // An installer (through the Restart Manager) wants the files we hold, and
    // the session goes on: end cleanly, as Exit does.
    if (nLogOffFlags & ENDSESSION_CLOSEAPP) {
        PostMessage(WM_CLOSE);
        return;
    }
    // Windows ends the process after this; the exit routine is all that runs.
    // No window is destroyed, so the tray icon is left for the shell to drop.
    pApp->ExitInstance();
}
