// The window base. A CWnd is bound to its HWND from the window's first message
// on and sends every message through its class's message table; what no table
// names gets default processing (the class's own, or that of the window
// procedure it replaced).
//
// Lifetime: PostNcDestroy runs once the window is gone and no handler of it is
// still on the stack, so a self-owning window may `delete this` there. A window
// whose creation fails never runs it: the creator still holds the object.
#pragma once

#include "CmdTarget.h"

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    // Destroys the window if it still exists; by then the derived class's
    // handlers are gone, so it gets default processing only.
    ~CWnd() override;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // The object bound to hWnd, or null for a window that is not one of ours.
    static CWnd* FromHandle(HWND hWnd);

    BOOL CreateEx(DWORD dwExStyle, LPCSTR pszClassName, LPCSTR pszWindowName, DWORD dwStyle, int x,
                  int y, int nWidth, int nHeight, HWND hWndParent, HMENU hMenu);
    BOOL DestroyWindow();

    // Deletes pWnd and its window. When a handler of pWnd is still running
    // further up the stack (a modal loop inside it dispatched what led here),
    // the window is destroyed now and the object deleted once that handler has
    // returned, so the handler never runs on freed memory.
    static void DestroyAndDelete(CWnd* pWnd);

    DWORD GetStyle() const;
    BOOL ShowWindow(int nCmdShow);
    BOOL PostMessage(UINT nMsg, WPARAM wParam = 0, LPARAM lParam = 0) const;
    UINT_PTR SetTimer(UINT_PTR nIdEvent, UINT nElapse);
    BOOL KillTimer(UINT_PTR nIdEvent);

    // Called by the message loop for keyboard messages of this top-level
    // window or its children; TRUE means the message was consumed.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

protected:
    virtual LRESULT WindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual void PostNcDestroy() {}

    // Default processing of the message being handled; nothing once the
    // window has been destroyed under the handler.
    LRESULT Default();
    LRESULT DefWindowProc(UINT nMsg, WPARAM wParam, LPARAM lParam);

    static LRESULT CALLBACK WndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    // Window creation by the platform: between these calls the first unbound
    // window whose message reaches WndProc (or a dialog procedure that calls
    // BindPending) becomes this object's.
    void BeginCreate();
    BOOL EndCreate(HWND hWnd);
    static CWnd* BindPending(HWND hWnd);

    // For windows whose procedure is replaced after creation (dialogs): the
    // procedure that default processing goes to.
    WNDPROC m_pfnSuper = nullptr;
    HWND m_hWnd = nullptr;

private:
    struct CurrentMessage {
        UINT nMsg;
        WPARAM wParam;
        LPARAM lParam;
    };

    LRESULT Dispatch(UINT nMsg, WPARAM wParam, LPARAM lParam);
    void Attach(HWND hWnd);
    void Detach();

    const CurrentMessage* m_pCurrent = nullptr;
    int m_nDepth = 0;                  // handlers of this window now on the stack
    bool m_bNcDestroyPending = false;  // window gone, PostNcDestroy still to run
    bool m_bDeletePending = false;     // DestroyAndDelete waits for m_nDepth == 0
    CWnd* m_pNextBound = nullptr;
};
