#include "Wnd.h"

#include "WinApp.h"

namespace {

// The program's live windows are few (frame, tray, dialogs), so a list is the
// cheapest map from HWND to object, and unlike window data it cannot mistake a
// window that some other code created for one of ours.
CWnd* s_pFirstBound = nullptr;

// The object whose window is being created right now.
CWnd* s_pWndInit = nullptr;

}  // namespace

CWnd::~CWnd() {
    if (m_hWnd) {
        HWND hWnd = m_hWnd;
        Detach();
        ::DestroyWindow(hWnd);
    }
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    if (!hWnd) return nullptr;
    for (CWnd* pWnd = s_pFirstBound; pWnd; pWnd = pWnd->m_pNextBound) {
        if (pWnd->m_hWnd == hWnd) return pWnd;
    }
    return nullptr;
}

void CWnd::Attach(HWND hWnd) {
    m_hWnd = hWnd;
    m_pNextBound = s_pFirstBound;
    s_pFirstBound = this;
}

void CWnd::Detach() {
    for (CWnd** ppLink = &s_pFirstBound; *ppLink; ppLink = &(*ppLink)->m_pNextBound) {
        if (*ppLink == this) {
            *ppLink = m_pNextBound;
            break;
        }
    }
    // Whatever still reaches a replaced window procedure after this goes
    // straight to the original one.
    if (m_pfnSuper && m_hWnd)
        ::SetWindowLongPtrA(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_pfnSuper));
    m_pNextBound = nullptr;
    m_hWnd = nullptr;
}

void CWnd::BeginCreate() {
    s_pWndInit = this;
    // The creator is on the stack like a handler: if the window is destroyed
    // during its creation, PostNcDestroy must not free the object under it.
    ++m_nDepth;
}

BOOL CWnd::EndCreate(HWND hWnd) {
    if (s_pWndInit == this) s_pWndInit = nullptr;
    --m_nDepth;
    if (!hWnd || m_hWnd != hWnd) {
        m_bNcDestroyPending = false;
        if (m_hWnd) Detach();
        if (hWnd) ::DestroyWindow(hWnd);  // created, but never reached our procedure
        return FALSE;
    }
    return TRUE;
}

CWnd* CWnd::BindPending(HWND hWnd) {
    CWnd* pWnd = s_pWndInit;
    if (!pWnd) return nullptr;
    s_pWndInit = nullptr;
    pWnd->Attach(hWnd);
    return pWnd;
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCSTR pszClassName, LPCSTR pszWindowName, DWORD dwStyle,
                    int x, int y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu) {
    if (m_hWnd) return FALSE;
    BeginCreate();
    HWND hWnd = ::CreateWindowExA(dwExStyle, pszClassName, pszWindowName, dwStyle, x, y, nWidth,
                                  nHeight, hWndParent, hMenu, AppInstance(), nullptr);
    return EndCreate(hWnd);
}

BOOL CWnd::DestroyWindow() {
    return m_hWnd ? ::DestroyWindow(m_hWnd) : FALSE;
}

void CWnd::DestroyAndDelete(CWnd* pWnd) {
    if (!pWnd) return;
    pWnd->m_bDeletePending = true;
    if (pWnd->m_hWnd && ::DestroyWindow(pWnd->m_hWnd)) return;  // its last message deletes it
    if (pWnd->m_nDepth == 0) delete pWnd;  // else Dispatch does, on the way out
}

LRESULT CALLBACK CWnd::WndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    CWnd* pWnd = FromHandle(hWnd);
    if (!pWnd) pWnd = BindPending(hWnd);
    if (!pWnd) return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
    return pWnd->Dispatch(nMsg, wParam, lParam);
}

LRESULT CWnd::Dispatch(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    const CurrentMessage current = {nMsg, wParam, lParam};
    const CurrentMessage* pOuter = m_pCurrent;
    m_pCurrent = &current;
    ++m_nDepth;

    LRESULT lResult = WindowProc(nMsg, wParam, lParam);

    if (nMsg == WM_NCDESTROY && m_hWnd) {
        Detach();
        m_bNcDestroyPending = true;
    }
    m_pCurrent = pOuter;
    if (--m_nDepth == 0 && !m_hWnd) {
        if (m_bDeletePending) {
            delete this;
        } else if (m_bNcDestroyPending) {
            m_bNcDestroyPending = false;
            PostNcDestroy();  // may delete this
        }
    }
    return lResult;
}

LRESULT CWnd::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (nMsg == WM_COMMAND) return OnCommand(wParam, lParam) ? 0 : Default();
    if (const MsgEntry* pEntry = FindEntry(nMsg, 0)) return pEntry->pfnThunk(*this, wParam, lParam);
    return Default();
}

BOOL CWnd::OnCommand(WPARAM wParam, LPARAM lParam) {
    // Menus and accelerators send commands with no control window; a control
    // sends many notifications through WM_COMMAND, and only a click is a command.
    if (lParam != 0 && HIWORD(wParam) != BN_CLICKED) return FALSE;
    return OnCmdMsg(LOWORD(wParam));
}

LRESULT CWnd::Default() {
    if (!m_pCurrent || !m_hWnd) return 0;
    return DefWindowProc(m_pCurrent->nMsg, m_pCurrent->wParam, m_pCurrent->lParam);
}

LRESULT CWnd::DefWindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (!m_hWnd) return 0;
    if (m_pfnSuper) return ::CallWindowProcA(m_pfnSuper, m_hWnd, nMsg, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, nMsg, wParam, lParam);
}

BOOL CWnd::PreTranslateMessage(MSG*) {
    return FALSE;
}

DWORD CWnd::GetStyle() const {
    return m_hWnd ? static_cast<DWORD>(::GetWindowLongA(m_hWnd, GWL_STYLE)) : 0;
}

BOOL CWnd::ShowWindow(int nCmdShow) {
    return m_hWnd ? ::ShowWindow(m_hWnd, nCmdShow) : FALSE;
}

BOOL CWnd::PostMessage(UINT nMsg, WPARAM wParam, LPARAM lParam) const {
    // Without a window the post would become a thread message; drop it instead.
    return m_hWnd ? ::PostMessageA(m_hWnd, nMsg, wParam, lParam) : FALSE;
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIdEvent, UINT nElapse) {
    return m_hWnd ? ::SetTimer(m_hWnd, nIdEvent, nElapse, nullptr) : 0;
}

BOOL CWnd::KillTimer(UINT_PTR nIdEvent) {
    return m_hWnd ? ::KillTimer(m_hWnd, nIdEvent) : FALSE;
}
