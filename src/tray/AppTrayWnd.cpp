#include "AppTrayWnd.h"

#include <shellapi.h>

#include "framework/Menu.h"
#include "framework/WinApp.h"
#include "res/MakerSite.h"
#include "res/resource.h"
#include "ui/HelpCommands.h"

DWORD CAppTrayWnd::s_dwNotifyMessage = NIM_ADD;

const MsgEntry CAppTrayWnd::s_messageEntries[] = {
    OnMsg<&CAppTrayWnd::OnCreate>(WM_CREATE),
    OnMsg<&CAppTrayWnd::OnDestroy>(WM_DESTROY),
    OnMsg<&CAppTrayWnd::OnTimer>(WM_TIMER),
    OnCmd<&CAppTrayWnd::OnTrayExit>(ID_TRAY_EXIT),
    OnCmd<&CAppTrayWnd::OnTrayWebsite>(ID_TRAY_WEBSITE),
    OnCmd<&CAppTrayWnd::OnTrayAbout>(ID_TRAY_ABOUT),
    OnCmd<&CAppTrayWnd::OnTrayViewLog>(ID_TRAY_VIEW_LOG),
    OnCmd<&CAppTrayWnd::OnTrayClearLog>(ID_TRAY_CLEAR_LOG),
    OnCmd<&CAppTrayWnd::OnTrayToggleBlocking>(ID_TRAY_TOGGLE_BLOCKING),
    OnCmd<&CAppTrayWnd::OnTrayHelp>(ID_TRAY_HELP),
};
const MsgTable CAppTrayWnd::s_messageTable =
    MakeMsgTable(&CTrayIconWnd::s_messageTable, s_messageEntries);

namespace {

const char s_szTip[] = "Zapwick";

}  // namespace

int CAppTrayWnd::OnCreate(LPCREATESTRUCTA) {
    if (Default() == -1) return -1;
    m_nTaskbarCreatedMsg = ::RegisterWindowMessageA("TaskbarCreated");
    m_hTrayIcon = ::LoadIconA(AppInstance(), MAKEINTRESOURCEA(IDI_TRAY));
    SetTimer(TIMER_TRAY_REFRESH, TRAY_REFRESH_INTERVAL_MS);
    OnTimer(TIMER_TRAY_REFRESH);  // the icon is there before the first tick
    return 0;
}

void CAppTrayWnd::OnDestroy() {
    Default();
    NotifyIcon(NIM_DELETE, nullptr, nullptr);
}

void CAppTrayWnd::OnTimer(UINT_PTR nIdEvent) {
    CTrayIconWnd::OnTimer(nIdEvent);
    if (nIdEvent != TIMER_TRAY_REFRESH) return;
    NotifyIcon(s_dwNotifyMessage, m_hTrayIcon, s_szTip);
    // A failed add is not repeated here: from now on the refresh only
    // modifies. A taskbar that starts later announces itself, and then the
    // icon is added again.
    s_dwNotifyMessage = NIM_MODIFY;
}

LRESULT CAppTrayWnd::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (m_nTaskbarCreatedMsg && nMsg == m_nTaskbarCreatedMsg) {
        OnTaskbarCreated();
        return 0;
    }
    return CTrayIconWnd::WindowProc(nMsg, wParam, lParam);
}

void CAppTrayWnd::OnTaskbarCreated() {
    // The new taskbar holds none of the old one's icons. The add must carry
    // the picture, which the rule of sending each icon once would leave out.
    // The refresh goes on modifying the icon this puts back.
    s_hLastIcon = nullptr;
    NotifyIcon(NIM_ADD, m_hTrayIcon, s_szTip);
}

void CAppTrayWnd::OnTrayRightClick() {
    POINT pt = {};
    ::GetCursorPos(&pt);  // first, before anything can move the mouse on

    CMenu menu;
    menu.Load(IDR_TRAY_MENU);
    HMENU hPopup = menu.GetSubMenu(0);

    // The menu has no item for this command; the check mark is kept for one.
    ::CheckMenuItem(hPopup, ID_TRAY_TOGGLE_BLOCKING,
                    MF_BYCOMMAND | (m_bBlockingEnabled ? MF_CHECKED : MF_UNCHECKED));

    // A menu whose owner is not the foreground window does not close when the
    // user clicks elsewhere; the message posted after it makes the switch
    // back complete before the next click on the icon.
    ::SetForegroundWindow(m_hWnd);
    ::TrackPopupMenu(hPopup, TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
    PostMessage(WM_USER);
}

void CAppTrayWnd::OnTrayClick() {
    if (!m_pStatusDlg) return;
    m_pStatusDlg->ShowWindow((m_pStatusDlg->GetStyle() & WS_VISIBLE) ? SW_HIDE : SW_SHOW);
}

void CAppTrayWnd::OnTrayDoubleClick() {
    OnTrayClick();
    PostMessage(WM_USER);
}

void CAppTrayWnd::OnTrayExit() {
    if (HWND hMain = GetMainHwnd()) ::PostMessageA(hMain, WM_CLOSE, 0, 0);
}

void CAppTrayWnd::OnTrayWebsite() {
    ::ShellExecuteA(nullptr, "open", MAKER_HOME_PAGE, nullptr, nullptr, SW_SHOWNORMAL);
}

void CAppTrayWnd::OnTrayAbout() {
    if (HWND hMain = GetMainHwnd()) ::PostMessageA(hMain, WM_COMMAND, ID_APP_ABOUT, 0);
}

void CAppTrayWnd::OnTrayViewLog() {
    ViewLogFile();
}

void CAppTrayWnd::OnTrayClearLog() {
    ClearLogFile();
}

void CAppTrayWnd::OnTrayToggleBlocking() {
    m_bBlockingEnabled = m_bBlockingEnabled == 0 ? 1 : 0;
}

void CAppTrayWnd::OnTrayHelp() {
    OpenHelp();
}
