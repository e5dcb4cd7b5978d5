#include "ZapwickDlg.h"

#include "HelpCommands.h"
#include "UpdateReminder.h"
#include "blocking/MessengerService.h"
#include "framework/Dpi.h"
#include "framework/WinApp.h"
#include "res/MakerSite.h"
#include "res/resource.h"

// WM_SYSCOMMAND and WM_TIMER get the dialog manager's processing.
const MsgEntry CZapwickDlg::s_messageEntries[] = {
    OnMsg<&CZapwickDlg::OnPaint>(WM_PAINT),  // draws the icon when minimised
    OnMsg<&CZapwickDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
    OnMsg<&CZapwickDlg::OnClose>(WM_CLOSE),
    OnMsg<&CZapwickDlg::OnDpiChanged>(WM_DPICHANGED),
    OnMsg<&CZapwickDlg::OnDestroy>(WM_DESTROY),
    OnCmd<&CZapwickDlg::OnHide>(IDC_HIDE),
    OnCmd<&CZapwickDlg::OnExit>(IDC_EXIT),
    OnCmd<&CZapwickDlg::OnHelp>(ID_TRAY_HELP),
};
const MsgTable CZapwickDlg::s_messageTable =
    MakeMsgTable(&CDialog::s_messageTable, s_messageEntries);

CZapwickDlg::CZapwickDlg(CWnd* pParent) : CDialog(IDD_ZAPWICK_DIALOG, pParent) {}

BOOL CZapwickDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetIcons();
    DisableMessengerService();
    return TRUE;  // the focus goes to the first tab stop, Exit
}

void CZapwickDlg::SetIcons() {
    // Each at its own size for the monitor the dialog is on, so that neither
    // the caption nor the taskbar button shows a scaled picture.
    const UINT nDpi = GetDpiOfWindow(m_hWnd);
    HICON hOldBig = m_hIcon, hOldSmall = m_hSmallIcon;
    m_hIcon = LoadIconForDpi(IDR_MAINFRAME, SM_CXICON, nDpi);
    m_hSmallIcon = LoadIconForDpi(IDR_MAINFRAME, SM_CXSMICON, nDpi);
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));
    FreeIcons(hOldBig, hOldSmall);
}

void CZapwickDlg::FreeIcons(HICON hBig, HICON hSmall) {
    if (hBig) ::DestroyIcon(hBig);
    if (hSmall) ::DestroyIcon(hSmall);
}

LRESULT CZapwickDlg::OnDpiChanged(WPARAM, LPARAM) {
    // The dialog manager rescales the dialog to the new monitor's DPI.
    const LRESULT lResult = Default();
    SetIcons();
    return lResult;
}

void CZapwickDlg::OnDestroy() {
    Default();
    FreeIcons(m_hIcon, m_hSmallIcon);
    m_hIcon = m_hSmallIcon = nullptr;
}

void CZapwickDlg::OnPaint() {
    if (!::IsIconic(m_hWnd)) {
        Default();
        return;
    }
    // Minimised (only Windows itself can do that: there is no minimise box),
    // the client area shows the icon in its middle.
    PAINTSTRUCT ps;
    HDC hDC = ::BeginPaint(m_hWnd, &ps);
    ::SendMessageA(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(hDC), 0);
    const int cxyIcon = GetMetricForDpi(SM_CXICON, GetDpiOfWindow(m_hWnd));
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int x = (rc.right - rc.left - cxyIcon + 1) / 2;
    const int y = (rc.bottom - rc.top - cxyIcon + 1) / 2;
    ::DrawIconEx(hDC, x, y, m_hIcon, cxyIcon, cxyIcon, 0, nullptr, DI_NORMAL);
    ::EndPaint(m_hWnd, &ps);
}

HCURSOR CZapwickDlg::OnQueryDragIcon() {
    return reinterpret_cast<HCURSOR>(m_hIcon);
}

void CZapwickDlg::OnClose() {
    // The question has no owner, so the dialog stays usable while it is open
    // and can be closed again; that close only hides it, or two answers
    // could open the browser twice.
    if (!m_bReminding) {
        m_bReminding = true;
        RemindToUpdate(MAKER_PRODUCT_PAGE, 1);
        m_bReminding = false;
    }
    // The dialog manager turns the close into IDCANCEL, which hides the dialog.
    // If Exit was chosen while the reminder asked, the window is gone by now
    // and there is nothing left to do.
    Default();
}

void CZapwickDlg::OnHide() {
    ShowWindow(SW_HIDE);
}

void CZapwickDlg::OnExit() {
    if (HWND hMain = GetMainHwnd()) ::PostMessageA(hMain, WM_CLOSE, 0, 0);
}

void CZapwickDlg::OnHelp() {
    OpenHelp();
}
