#include "WndClass.h"

#include "Wnd.h"
#include "WinApp.h"

namespace {

// CWnd::WndProc is protected; this is its one outside user.
struct CWndProcAccess : CWnd {
    static WNDPROC Get() { return &CWnd::WndProc; }
};

}  // namespace

BOOL RegisterWndClass(char (&szName)[WND_CLASS_NAME_SIZE], UINT nClassStyle, HCURSOR hCursor,
                      HBRUSH hbrBackground, HICON hIcon) {
    HINSTANCE hInstance = AppInstance();
    // Handles are pointer-sized: %p keeps all their digits in 64-bit builds too.
    ::wsprintfA(szName, "Zapwick:%p:%x:%p:%p:%p", static_cast<void*>(hInstance), nClassStyle,
                static_cast<void*>(hCursor), static_cast<void*>(hbrBackground),
                static_cast<void*>(hIcon));

    WNDCLASSA wc;
    if (::GetClassInfoA(hInstance, szName, &wc)) return TRUE;

    wc = {};
    wc.style = nClassStyle;
    wc.lpfnWndProc = CWndProcAccess::Get();
    wc.hInstance = hInstance;
    wc.hIcon = hIcon;
    wc.hCursor = hCursor;
    wc.hbrBackground = hbrBackground;
    wc.lpszClassName = szName;
    return ::RegisterClassA(&wc) != 0;
}
