// The application's tray window: Zapwick's icon and tooltip in the
// notification area, re-sent every 200 ms, the status dialog shown or hidden
// by a click, and the tray menu with its commands on a right click. When the
// shell starts a new taskbar, or the icon has gone, the icon is added again. It is handed what
// it acts on by its creator and knows nothing of the main frame; it reaches
// the main window only by posting to it.
#pragma once

#include "TrayIconWnd.h"

constexpr UINT_PTR TIMER_TRAY_REFRESH = 5;
constexpr UINT TRAY_REFRESH_INTERVAL_MS = 200;

class CAppTrayWnd : public CTrayIconWnd {
public:
    // bBlockingEnabled is the flag that the toggle command flips and the menu's
    // check mark shows; it must outlive the window.
    explicit CAppTrayWnd(BOOL& bBlockingEnabled) : m_bBlockingEnabled(bBlockingEnabled) {}
    ~CAppTrayWnd() override = default;

    // The window that a click on the icon shows or hides; none until set.
    void SetStatusDialog(CWnd* pStatusDlg) { m_pStatusDlg = pStatusDlg; }

    void OnTrayRightClick() override;
    void OnTrayClick() override;
    void OnTrayDoubleClick() override;

    // The request the next refresh tries first: NIM_ADD until the first
    // refresh of any tray window of the process, NIM_MODIFY from then on (a
    // modify that fails is followed by an add).
    static DWORD s_dwNotifyMessage;

    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }
    // Takes the taskbar's announcement, which no table row can name: a
    // registered message has no fixed id.
    LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam) override;

private:
    int OnCreate(LPCREATESTRUCTA pCreate);
    void OnDestroy();
    void OnTimer(UINT_PTR nIdEvent);
    void OnTaskbarCreated();
    void AddIcon();
    // Loads the icon at the size that the notification area shows it now.
    void LoadTrayIcon();

    void OnTrayExit();
    void OnTrayWebsite();
    void OnTrayAbout();
    void OnTrayViewLog();
    void OnTrayClearLog();
    void OnTrayToggleBlocking();
    void OnTrayHelp();

    BOOL& m_bBlockingEnabled;
    CWnd* m_pStatusDlg = nullptr;   // not owned
    HICON m_hTrayIcon = nullptr;    // owned; replaced when the taskbar's DPI changes
    UINT m_nTaskbarCreatedMsg = 0;  // "TaskbarCreated"; 0 if it could not be registered

    static const MsgEntry s_messageEntries[];
};
