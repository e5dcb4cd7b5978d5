#include "BrowserPopupScanner.h"

#include <windows.h>

void CloseBrowserPopups() {
    static const char s_szBrowserFrameClass[] = "IEFrame";
    HWND hWnd = ::FindWindowExA(nullptr, nullptr, s_szBrowserFrameClass, nullptr);
    while (hWnd) {
        // A window the user opened has a sizing border; a pop-up has none.
        if (!(::GetWindowLongA(hWnd, GWL_STYLE) & WS_THICKFRAME))
            ::PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        // The window has not closed yet (its browser handles the request
        // later), so the search goes on from it.
        hWnd = ::FindWindowExA(nullptr, hWnd, s_szBrowserFrameClass, nullptr);
    }
}
