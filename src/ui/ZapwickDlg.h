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
    void OnHide();
    void OnExit();
    void OnHelp();

    HICON m_hIcon;              // shared resource icon, never freed
    bool m_bReminding = false;  // the update reminder runs, maybe asking

    static const MsgEntry s_messageEntries[];
};
