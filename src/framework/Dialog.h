// The dialog base: a window made from a dialog template in the program's
// resources, modeless (Create) or modal (DoModal). Its window procedure is
// replaced by CWnd's, so its messages go through the message tables first and
// to the platform's dialog manager for default processing.
//
// Ending a dialog hides it; a modeless dialog stays until it is destroyed, a
// modal one is destroyed as DoModal returns.
// Like the framework's other windows, a dialog left at (0, 0) by its template
// and not moved or shown by its initialisation is centred by the base.
#pragma once

#include "Wnd.h"

class CDialog : public CWnd {
public:
    explicit CDialog(UINT nIdTemplate, CWnd* pParent = nullptr);

    // Creates the dialog modeless. With no parent, it is owned by the
    // application's main window (or the pop-up last active in it), if any.
    BOOL Create(UINT nIdTemplate, CWnd* pParent = nullptr);

    // Runs the dialog modally and returns how it ended (IDOK, IDCANCEL, or
    // -1 if it could not be created). The owner is chosen as for Create and
    // disabled meanwhile; every other window of the program is served by the
    // dialog's own message loop. The window is destroyed before this returns.
    INT_PTR DoModal();

    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    void EndDialog(int nResult);

    // Keyboard navigation: Tab, Enter, Esc and the like.
    BOOL PreTranslateMessage(MSG* pMsg) override;

    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }

    // Moves data between the controls and the object; nothing by default.
    virtual void DoDataExchange(BOOL bSaveAndValidate);

    // Centres the dialog on its visible owner, or else on the work area of
    // the monitor that holds the main window (the primary monitor if none).
    void CenterWindow();

    UINT m_nIdTemplate;
    CWnd* m_pParent;

private:
    LRESULT OnInitDialogMessage(WPARAM wParam, LPARAM lParam);
    const void* LoadTemplate();

    static INT_PTR CALLBACK DialogProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    void RunModalLoop();

    bool m_bTemplateAtOrigin = false;  // and without a style that places it
    bool m_bModal = false;
    bool m_bEndModal = false;
    INT_PTR m_nModalResult = -1;

    static const MsgEntry s_messageEntries[];
};
