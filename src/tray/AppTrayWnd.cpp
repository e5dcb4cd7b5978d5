#include "AppTrayWnd.h"

#include <shellapi.h>

#include "framework/Dpi.h"
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

// Lets a message from programs of lower integrity through to an elevated
// program's window (Windows 7 and later; Vista filters per process).
void AllowMessageFromShell(HWND hWnd, UINT nMsg) {
    HMODULE hUser32 = ::GetModuleHandleA("user32.dll");
    using FilterWindowFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using FilterProcessFn = BOOL(WINAPI*)(UINT, DWORD);
    if (const auto pfnFilterWindow = reinterpret_cast<FilterWindowFn>(
            reinterpret_cast<void*>(::GetProcAddress(hUser32, "ChangeWindowMessageFilterEx"))))
        pfnFilterWindow(hWnd, nMsg, 1 /* MSGFLT_ALLOW */, nullptr);
    else if (const auto pfnFilterProcess = reinterpret_cast<FilterProcessFn>(
                 reinterpret_cast<void*>(::GetProcAddress(hUser32, "ChangeWindowMessageFilter"))))
        pfnFilterProcess(nMsg, 1 /* MSGFLT_ADD */);
}

}  // namespace

int CAppTrayWnd::OnCreate(LPCREATESTRUCTA) {
    if (Default() == -1) return -1;
    m_nTaskbarCreatedMsg = ::RegisterWindowMessageA("TaskbarCreated");
    // Elevated, the program would hear neither of a new taskbar nor of clicks
    // on its icon from Explorer, which runs at a lower integrity level.
    if (m_nTaskbarCreatedMsg) AllowMessageFromShell(m_hWnd, m_nTaskbarCreatedMsg);
    AllowMessageFromShell(m_hWnd, WM_TRAY_NOTIFY);
    LoadTrayIcon();
    SetTimer(TIMER_TRAY_REFRESH, TRAY_REFRESH_INTERVAL_MS);
    OnTimer(TIMER_TRAY_REFRESH);  // the icon is there before the first tick
    return 0;
}

void CAppTrayWnd::OnDestroy() {
    Default();
    NotifyIcon(NIM_DELETE, nullptr, nullptr);
    if (m_hTrayIcon) ::DestroyIcon(m_hTrayIcon);  // the shell keeps a copy of its own
    m_hTrayIcon = nullptr;
}

void CAppTrayWnd::OnTimer(UINT_PTR nIdEvent) {
    CTrayIconWnd::OnTimer(nIdEvent);
    if (nIdEvent != TIMER_TRAY_REFRESH) return;
    // A modify fails when the icon is not there: at logon the taskbar may have
    // taken neither our add nor our window's notice of it, or the icon was
    // taken away without a new taskbar announcing itself. It is added again.
    if (s_dwNotifyMessage == NIM_MODIFY && NotifyIcon(NIM_MODIFY, m_hTrayIcon, s_szTip)) return;
    AddIcon();
}

void CAppTrayWnd::AddIcon() {
    // The add must carry the picture, which the rule of sending each icon
    // once would leave out.
    s_hLastIcon = nullptr;
    // A failed add is tried again at the next refresh, first as a modify (the
    // icon may be there after all), and either request then carries the
    // picture again.
    if (!NotifyIcon(NIM_ADD, m_hTrayIcon, s_szTip)) s_hLastIcon = nullptr;
    s_dwNotifyMessage = NIM_MODIFY;
}

void CAppTrayWnd::LoadTrayIcon() {
    // The notification area shows small icons at the DPI of the monitor that
    // holds the taskbar, which need not be the system's.
    HICON hIcon = LoadIconForDpi(IDI_TRAY, SM_CXSMICON,
                                 GetDpiOfWindow(::FindWindowA("Shell_TrayWnd", nullptr)));
    if (m_hTrayIcon) ::DestroyIcon(m_hTrayIcon);
    m_hTrayIcon = hIcon;
}

LRESULT CAppTrayWnd::WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) {
    if (m_nTaskbarCreatedMsg && nMsg == m_nTaskbarCreatedMsg) {
        OnTaskbarCreated();
        return 0;
    }
    return CTrayIconWnd::WindowProc(nMsg, wParam, lParam);
}

void CAppTrayWnd::OnTaskbarCreated() {
    // The new taskbar holds none of the old one's icons. Windows also sends
    // this when the DPI changes, so the icon is loaded at its new size first.
    LoadTrayIcon();
    AddIcon();
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
