// The status dialog: a small modeless window that says what the program does
// and offers Hide, Help and Exit. It is created hidden with the main frame,
// shown and hidden from the tray icon, and destroyed only with the frame.
#pragma once

#include "framework/Dialog.h"

class CZapwickDlg : public CDialog {
public:
    explicit CZapwickDlg(CWnd* pParent = nullptr);

    BOOL OnInitDialog() override;

    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }

private:
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnClose();
    LRESULT OnDpiChanged(WPARAM wParam, LPARAM lParam);
    void OnDestroy();
    void OnHide();
    void OnExit();
    void OnHelp();

    // Loads the big and the small icon for the dialog's DPI and sets them.
    void SetIcons();
    static void FreeIcons(HICON hBig, HICON hSmall);

    HICON m_hIcon = nullptr;       // owned, the big icon
    HICON m_hSmallIcon = nullptr;  // owned
    bool m_bReminding = false;     // the update reminder runs, maybe asking

    static const MsgEntry s_messageEntries[];
};
