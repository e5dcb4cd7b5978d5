#include "BrowserPopupScanner.h"

namespace {

const char s_szBrowserFrameClass[] = "IEFrame";

// A window the user opened has a sizing border; a pop-up has none.
bool LacksSizingBorder(HWND hWnd) {
    return !(::GetWindowLongA(hWnd, GWL_STYLE) & WS_THICKFRAME);
}

}  // namespace

bool IsBrowserPopup(HWND hWnd) {
    // GA_PARENT, not GetParent: an owned window is top-level too, and a
    // message-only window is not.
    if (!hWnd || ::GetAncestor(hWnd, GA_PARENT) != ::GetDesktopWindow()) return false;
    // One character more than the name, so that a longer class name cut down
    // to the buffer can never match.
    char szClass[sizeof(s_szBrowserFrameClass) + 1];
    if (!::GetClassNameA(hWnd, szClass, sizeof(szClass))) return false;
    return ::lstrcmpiA(szClass, s_szBrowserFrameClass) == 0 && LacksSizingBorder(hWnd);
}

void CloseBrowserPopups() {
    HWND hWnd = ::FindWindowExA(nullptr, nullptr, s_szBrowserFrameClass, nullptr);
    while (hWnd) {
        if (LacksSizingBorder(hWnd)) ::PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        // The window has not closed yet (its browser handles the request
        // later), so the search goes on from it.
        hWnd = ::FindWindowExA(nullptr, hWnd, s_szBrowserFrameClass, nullptr);
    }
}
