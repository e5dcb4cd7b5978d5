// A hidden window that owns one icon in the taskbar notification area. It
// sends the icon's add, modify and delete requests to the shell and turns the
// shell's mouse notifications into three events, right click, click and double
// click, which a derived class handles. It knows nothing of the application.
//
// The object owns itself: create it with new, and it deletes itself once its
// window is gone.
#pragma once

#include "framework/Wnd.h"

constexpr UINT TRAY_ICON_ID = 100;
constexpr UINT WM_TRAY_NOTIFY = WM_USER + 500;
constexpr UINT_PTR TIMER_CLICK = 4;

class CTrayIconWnd : public CWnd {
public:
    CTrayIconWnd() = default;
    ~CTrayIconWnd() override = default;

    // Creates the hidden window; nonzero on success.
    virtual BOOL Create();

    // The events, each run when the window dispatches a message it posted to
    // itself, never from inside the notification that led to it.
    virtual void OnTrayRightClick() {}
    virtual void OnTrayClick() {}
    virtual void OnTrayDoubleClick() {}

    // One request to the shell (NIM_ADD, NIM_MODIFY or NIM_DELETE) for this
    // window's icon; returns the shell's answer. The icon goes with the request
    // only when it differs from the last one sent by any tray window of the
    // process; the tip, when given, is cut to what the record holds.
    BOOL NotifyIcon(DWORD dwMessage, HICON hIcon, LPCSTR pszTip);

    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }
    void PostNcDestroy() override;

    void OnTimer(UINT_PTR nIdEvent);

    // The icon last sent with NIF_ICON by any tray window of the process.
    static HICON s_hLastIcon;

private:
    void OnLButtonUp();
    void OnLButtonDblClk();
    void OnRButtonUp();
    LRESULT OnTrayNotify(WPARAM wParam, LPARAM lParam);

    // Set by a double-click notification: the next release completes it.
    BOOL m_bDoubleClicked = FALSE;

    static const MsgEntry s_messageEntries[];
};
