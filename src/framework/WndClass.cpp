#include "WndClass.h"

#include "Wnd.h"
#include "WinApp.h"

namespace {

// CWnd::WndProc is protected; this is its one outside user.
struct CWndProcAccess : CWnd {
    static WNDPROC Get() { return &CWnd::WndProc; }
};

}  // namespace

BOOL RegisterWndClass(char (&szName)[80], UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground,
                      HICON hIcon) {
    HINSTANCE hInstance = AppInstance();
    ::wsprintfA(szName, "Zapwick:%lx:%x:%lx:%lx:%lx", reinterpret_cast<DWORD_PTR>(hInstance),
                nClassStyle, reinterpret_cast<DWORD_PTR>(hCursor),
                reinterpret_cast<DWORD_PTR>(hbrBackground), reinterpret_cast<DWORD_PTR>(hIcon));

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
