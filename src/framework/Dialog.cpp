#include "Dialog.h"

#include "WinApp.h"

const MsgEntry CDialog::s_messageEntries[] = {
    OnMsg<&CDialog::OnInitDialogMessage>(WM_INITDIALOG),
    OnCmd<&CDialog::OnOK>(IDOK),
    OnCmd<&CDialog::OnCancel>(IDCANCEL),
};
const MsgTable CDialog::s_messageTable = MakeMsgTable(&CWnd::s_messageTable, s_messageEntries);

CDialog::CDialog(UINT nIdTemplate, CWnd* pParent)
    : m_nIdTemplate(nIdTemplate), m_pParent(pParent) {}

const void* CDialog::LoadTemplate() {
    HINSTANCE hInstance = AppInstance();
    HRSRC hResource = ::FindResourceA(hInstance, MAKEINTRESOURCEA(m_nIdTemplate), RT_DIALOG);
    HGLOBAL hTemplate = hResource ? ::LoadResource(hInstance, hResource) : nullptr;
    const void* pTemplate = hTemplate ? ::LockResource(hTemplate) : nullptr;
    if (!pTemplate || ::SizeofResource(hInstance, hResource) < sizeof(DLGTEMPLATE)) return nullptr;

    // Both template forms: the extended one starts with version 1 and 0xFFFF.
    const WORD* pWords = static_cast<const WORD*>(pTemplate);
    DWORD dwStyle;
    const short* pPosition;
    if (pWords[0] == 1 && pWords[1] == 0xFFFF) {
        dwStyle = *reinterpret_cast<const DWORD*>(pWords + 6);
        pPosition = reinterpret_cast<const short*>(pWords + 9);
    } else {
        dwStyle = static_cast<const DLGTEMPLATE*>(pTemplate)->style;
        pPosition = reinterpret_cast<const short*>(pWords + 5);
    }
    m_bTemplateAtOrigin = pPosition[0] == 0 && pPosition[1] == 0 &&
                          !(dwStyle & (DS_ABSALIGN | DS_CENTER | DS_CENTERMOUSE));
    return pTemplate;
}

BOOL CDialog::Create(UINT nIdTemplate, CWnd* pParent) {
    if (m_hWnd) return FALSE;
    m_nIdTemplate = nIdTemplate;
    m_pParent = pParent;
    const void* pTemplate = LoadTemplate();
    if (!pTemplate) return FALSE;
    BeginCreate();
    HWND hWnd = ::CreateDialogIndirectParamA(AppInstance(), static_cast<LPCDLGTEMPLATEA>(pTemplate),
                                             GetSafeOwner(pParent), &DialogProc, 0);
    return EndCreate(hWnd);
}

INT_PTR CDialog::DoModal() {
    if (m_hWnd) return -1;
    const void* pTemplate = LoadTemplate();
    if (!pTemplate) return -1;

    HWND hOwner = GetSafeOwner(m_pParent);
    const bool bEnableOwner = hOwner && ::IsWindowEnabled(hOwner);
    if (bEnableOwner) ::EnableWindow(hOwner, FALSE);

    m_bModal = true;
    m_bEndModal = false;
    m_nModalResult = -1;
    BeginCreate();
    HWND hWnd = ::CreateDialogIndirectParamA(AppInstance(), static_cast<LPCDLGTEMPLATEA>(pTemplate),
                                             hOwner, &DialogProc, 0);
    if (EndCreate(hWnd)) {
        RunModalLoop();
        if (m_hWnd)
            ::SetWindowPos(
                m_hWnd, nullptr, 0, 0, 0, 0,
                SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    // The owner may be gone by now (the program was ended from another
    // window meanwhile); the calls then fail harmlessly.
    if (bEnableOwner) ::EnableWindow(hOwner, TRUE);
    if (hOwner && m_hWnd && ::GetActiveWindow() == m_hWnd) ::SetActiveWindow(hOwner);
    DestroyWindow();
    m_bModal = false;
    return m_nModalResult;
}

void CDialog::RunModalLoop() {
    CWinApp* pApp = GetApp();
    bool bShown = false;
    while (m_hWnd && !m_bEndModal) {
        MSG msg;
        // Shown once everything that its creation set off has been handled.
        if (!bShown && !::PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            ShowWindow(SW_SHOWNORMAL);
            bShown = true;
        }
        const BOOL bResult = ::GetMessageA(&msg, nullptr, 0, 0);
        if (bResult == 0) {
            // The program is ending: leave the quit message for the main loop.
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (bResult == -1) break;
        if (!pApp || !pApp->PreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
    }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hWnd, UINT, WPARAM, LPARAM) {
    // The dialog manager calls this for its window's first messages, before
    // WM_INITDIALOG. From then on the window procedure is CWnd's, and the
    // dialog manager's own processing is the default; this procedure only
    // answers "not handled" for it.
    if (!FromHandle(hWnd)) {
        if (CWnd* pWnd = BindPending(hWnd)) {
            auto* pDialog = static_cast<CDialog*>(pWnd);
            pDialog->m_pfnSuper = reinterpret_cast<WNDPROC>(::SetWindowLongPtrA(
                hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CWnd::WndProc)));
        }
    }
    return FALSE;
}

LRESULT CDialog::OnInitDialogMessage(WPARAM, LPARAM) {
    RECT rcBefore;
    ::GetWindowRect(m_hWnd, &rcBefore);
    const BOOL bVisibleBefore = ::IsWindowVisible(m_hWnd);

    const BOOL bSetFocus = OnInitDialog();

    // A dialog that its initialisation neither showed nor moved, and whose
    // template leaves its place open, goes to the centre.
    if (m_hWnd && m_bTemplateAtOrigin && !bVisibleBefore && !::IsWindowVisible(m_hWnd)) {
        RECT rcAfter;
        ::GetWindowRect(m_hWnd, &rcAfter);
        if (::EqualRect(&rcBefore, &rcAfter)) CenterWindow();
    }
    return bSetFocus;
}

void CDialog::CenterWindow() {
    HWND hCenter = ::GetWindow(m_hWnd, GW_OWNER);
    if (hCenter && (!::IsWindowVisible(hCenter) || ::IsIconic(hCenter))) hCenter = nullptr;

    MONITORINFO mi = {};
    mi.cbSize = sizeof(mi);
    RECT rcCenter;
    if (hCenter) {
        ::GetWindowRect(hCenter, &rcCenter);
        ::GetMonitorInfoA(::MonitorFromWindow(hCenter, MONITOR_DEFAULTTONEAREST), &mi);
    } else {
        ::GetMonitorInfoA(::MonitorFromWindow(GetMainHwnd(), MONITOR_DEFAULTTOPRIMARY), &mi);
        rcCenter = mi.rcWork;
    }
    const RECT& rcArea = mi.rcWork;

    RECT rcDialog;
    ::GetWindowRect(m_hWnd, &rcDialog);
    const int cx = rcDialog.right - rcDialog.left;
    const int cy = rcDialog.bottom - rcDialog.top;
    int x = (rcCenter.left + rcCenter.right) / 2 - cx / 2;
    int y = (rcCenter.top + rcCenter.bottom) / 2 - cy / 2;
    // Keep it on the screen.
    if (x + cx > rcArea.right) x = rcArea.right - cx;
    if (x < rcArea.left) x = rcArea.left;
    if (y + cy > rcArea.bottom) y = rcArea.bottom - cy;
    if (y < rcArea.top) y = rcArea.top;
    ::SetWindowPos(m_hWnd, nullptr, x, y, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

BOOL CDialog::OnInitDialog() {
    DoDataExchange(FALSE);
    return TRUE;
}

void CDialog::DoDataExchange(BOOL) {}

void CDialog::OnOK() {
    DoDataExchange(TRUE);
    EndDialog(IDOK);
}

void CDialog::OnCancel() {
    EndDialog(IDCANCEL);
}

void CDialog::EndDialog(int nResult) {
    if (m_bModal) {
        m_nModalResult = nResult;
        m_bEndModal = true;
    }
    if (m_hWnd) ::EndDialog(m_hWnd, nResult);
}

BOOL CDialog::PreTranslateMessage(MSG* pMsg) {
    if (!m_hWnd) return FALSE;
    // Enter presses the push button that has the focus. Windows makes a
    // focused push button the default one, so its dialog manager does this by
    // itself; Wine's does only once the focus has been moved by the keyboard,
    // and would otherwise send IDOK for the button that got the first focus.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_RETURN) {
        HWND hFocus = ::GetFocus();
        if (hFocus && ::IsChild(m_hWnd, hFocus) &&
            (::SendMessageA(hFocus, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON)) {
            ::SendMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(::GetDlgCtrlID(hFocus), BN_CLICKED),
                           reinterpret_cast<LPARAM>(hFocus));
            return TRUE;
        }
    }
    return ::IsDialogMessageA(m_hWnd, pMsg);
}
