#include "WinThread.h"

#include "Wnd.h"

int CWinThread::Run() {
    while (PumpMessage()) {
    }
    return ExitInstance();
}

BOOL CWinThread::PumpMessage() {
    MSG msg;
    const BOOL bResult = ::GetMessageA(&msg, nullptr, 0, 0);
    if (bResult == 0) {
        m_nExitCode = static_cast<int>(msg.wParam);
        return FALSE;
    }
    if (bResult == -1) return FALSE;  // cannot happen with these arguments; never spin on it
    if (!PreTranslateMessage(&msg)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    return TRUE;
}

BOOL CWinThread::PreTranslateMessage(MSG* pMsg) {
    const bool bKeyboard = pMsg->message >= WM_KEYFIRST && pMsg->message <= WM_KEYLAST;
    if (!bKeyboard || !pMsg->hwnd) return FALSE;
    CWnd* pTop = CWnd::FromHandle(::GetAncestor(pMsg->hwnd, GA_ROOT));
    return pTop && pTop->PreTranslateMessage(pMsg);
}
