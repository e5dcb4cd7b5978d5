#include "ZapwickDlg.h"

#include "HelpCommands.h"
#include "UpdateReminder.h"
#include "blocking/MessengerService.h"
#include "framework/WinApp.h"
#include "res/MakerSite.h"
#include "res/resource.h"

// WM_SYSCOMMAND, WM_DESTROY and WM_TIMER get the dialog manager's processing.
const MsgEntry CZapwickDlg::s_messageEntries[] = {
    OnMsg<&CZapwickDlg::OnPaint>(WM_PAINT),  // draws the icon when minimised
    OnMsg<&CZapwickDlg::OnQueryDragIcon>(WM_QUERYDRAGICON),
    OnMsg<&CZapwickDlg::OnClose>(WM_CLOSE),
    OnCmd<&CZapwickDlg::OnHide>(IDC_HIDE),
    OnCmd<&CZapwickDlg::OnExit>(IDC_EXIT),
    OnCmd<&CZapwickDlg::OnHelp>(ID_TRAY_HELP),
};
const MsgTable CZapwickDlg::s_messageTable =
    MakeMsgTable(&CDialog::s_messageTable, s_messageEntries);

CZapwickDlg::CZapwickDlg(CWnd* pParent)
    : CDialog(IDD_ZAPWICK_DIALOG, pParent),
      m_hIcon(::LoadIconA(AppInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME))) {}

BOOL CZapwickDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    ::SendMessageA(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    DisableMessengerService();
    return TRUE;  // the focus goes to the first tab stop, Exit
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
    const int cxIcon = ::GetSystemMetrics(SM_CXICON);
    const int cyIcon = ::GetSystemMetrics(SM_CYICON);
    RECT rc;
    ::GetClientRect(m_hWnd, &rc);
    const int x = (rc.right - rc.left - cxIcon + 1) / 2;
    const int y = (rc.bottom - rc.top - cyIcon + 1) / 2;
    ::DrawIcon(hDC, x, y, m_hIcon);
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
