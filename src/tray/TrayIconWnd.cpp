#include "TrayIconWnd.h"

#include <shellapi.h>

#include "framework/WndClass.h"
#include "res/WindowNames.h"

// The record version with a 128-character tip and balloon members but no
// GUID: what every shell since Windows 2000 understands. Its size is 488 bytes
// in 32-bit programs; pointers and handles make it larger in 64-bit ones.
#ifndef _WIN64
static_assert(NOTIFYICONDATAA_V2_SIZE == 488, "unexpected NOTIFYICONDATAA layout");
#endif

HICON CTrayIconWnd::s_hLastIcon = nullptr;

const MsgEntry CTrayIconWnd::s_messageEntries[] = {
    OnMsg<&CTrayIconWnd::OnTimer>(WM_TIMER),
    OnMsg<&CTrayIconWnd::OnLButtonUp>(WM_LBUTTONUP),
    OnMsg<&CTrayIconWnd::OnLButtonDblClk>(WM_LBUTTONDBLCLK),
    OnMsg<&CTrayIconWnd::OnRButtonUp>(WM_RBUTTONUP),
    OnMsg<&CTrayIconWnd::OnTrayNotify>(WM_TRAY_NOTIFY),
};
const MsgTable CTrayIconWnd::s_messageTable = MakeMsgTable(&CWnd::s_messageTable, s_messageEntries);

BOOL CTrayIconWnd::Create() {
    char szClassName[WND_CLASS_NAME_SIZE];
    if (!RegisterWndClass(szClassName, 0, nullptr, nullptr, nullptr)) return FALSE;
    return CreateEx(WS_EX_TOOLWINDOW, szClassName, TRAY_WINDOW_TITLE, 0, 0, 0, 0, 0, nullptr,
                    nullptr);
}

void CTrayIconWnd::PostNcDestroy() {
    CWnd::PostNcDestroy();
    delete this;
}

BOOL CTrayIconWnd::NotifyIcon(DWORD dwMessage, HICON hIcon, LPCSTR pszTip) {
    NOTIFYICONDATAA nid = {};
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.hWnd = m_hWnd;
    nid.uID = TRAY_ICON_ID;
    nid.uFlags = NIF_MESSAGE;
    nid.uCallbackMessage = WM_TRAY_NOTIFY;
    if (hIcon && hIcon != s_hLastIcon) {
        nid.uFlags |= NIF_ICON;
        nid.hIcon = hIcon;
        s_hLastIcon = hIcon;
    }
    if (pszTip) {
        nid.uFlags |= NIF_TIP;
        ::lstrcpynA(nid.szTip, pszTip, sizeof(nid.szTip));
    }
    return ::Shell_NotifyIconA(dwMessage, &nid);
}

LRESULT CTrayIconWnd::OnTrayNotify(WPARAM wParam, LPARAM lParam) {
    if (wParam != TRAY_ICON_ID) return 0;
    // Each click becomes a message to this window, so that the event runs
    // after the shell's notification has been answered.
    switch (lParam) {
        case WM_LBUTTONDOWN:
            // A click is a click only once no second press has come within
            // the double-click time.
            m_bDoubleClicked = FALSE;
            SetTimer(TIMER_CLICK, ::GetDoubleClickTime());
            break;
        case WM_LBUTTONUP:
            if (m_bDoubleClicked) PostMessage(WM_LBUTTONDBLCLK);
            break;
        case WM_LBUTTONDBLCLK:
            m_bDoubleClicked = TRUE;
            KillTimer(TIMER_CLICK);
            break;
        case WM_RBUTTONUP:
            PostMessage(WM_RBUTTONUP);
            break;
        default:
            break;
    }
    return 0;
}

void CTrayIconWnd::OnTimer(UINT_PTR nIdEvent) {
    if (nIdEvent != TIMER_CLICK) return;
    KillTimer(TIMER_CLICK);
    PostMessage(WM_LBUTTONUP);
}

void CTrayIconWnd::OnLButtonUp() {
    OnTrayClick();
}

void CTrayIconWnd::OnLButtonDblClk() {
    OnTrayDoubleClick();
}

void CTrayIconWnd::OnRButtonUp() {
    OnTrayRightClick();
}
