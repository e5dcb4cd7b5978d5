// Lets tests compare and print rectangles with EXPECT_EQ. RECT lives in the
// global namespace, so its operators must too.
#pragma once

#include <windows.h>

#include <ostream>

inline bool operator==(const RECT& a, const RECT& b) {
    return ::EqualRect(&a, &b) != FALSE;
}

inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
}

inline RECT WindowRect(HWND hWnd) {
    RECT rc = {};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

// Where a dialog's control should be, given the template's x, y, width and
// height in dialog units. The dialog manager converts the position and the
// size separately, so the right and bottom edges are sums, not conversions.
inline RECT DialogUnitsToClient(HWND hDlg, const RECT& xywh) {
    RECT rc = xywh;
    ::MapDialogRect(hDlg, &rc);
    rc.right += rc.left;
    rc.bottom += rc.top;
    return rc;
}

// Where a control is, in its dialog's client coordinates.
inline RECT ControlRect(HWND hControl) {
    RECT rc = WindowRect(hControl);
    ::MapWindowPoints(nullptr, ::GetParent(hControl), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}
