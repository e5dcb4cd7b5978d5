#include "WineTray.h"

#include <algorithm>

std::vector<HWND> TrayIconWindows() {
    std::vector<HWND> icons;
    HWND hTray = nullptr;
    while ((hTray = ::FindWindowExA(nullptr, hTray, "__winex11_standalone_tray", nullptr))) {
        HWND hIcon = nullptr;
        while ((hIcon = ::FindWindowExA(hTray, hIcon, "__winex11_tray_icon", nullptr)))
            icons.push_back(hIcon);
    }
    std::sort(icons.begin(), icons.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        ::GetWindowRect(a, &ra);
        ::GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    return icons;
}

HWND NewTrayIcon(const std::vector<HWND>& before, const std::vector<HWND>& after) {
    for (auto it = after.rbegin(); it != after.rend(); ++it)
        if (std::find(before.begin(), before.end(), *it) == before.end()) return *it;
    return nullptr;
}

void ClickTrayIcon(HWND hIcon, bool bRight, bool bDouble) {
    const LPARAM lPoint = MAKELPARAM(8, 8);
    const UINT down = bRight ? WM_RBUTTONDOWN : WM_LBUTTONDOWN;
    const UINT up = bRight ? WM_RBUTTONUP : WM_LBUTTONUP;
    const WPARAM key = bRight ? MK_RBUTTON : MK_LBUTTON;
    ::PostMessageA(hIcon, down, key, lPoint);
    ::PostMessageA(hIcon, up, 0, lPoint);
    if (bDouble) {
        ::PostMessageA(hIcon, bRight ? WM_RBUTTONDBLCLK : WM_LBUTTONDBLCLK, key, lPoint);
        ::PostMessageA(hIcon, up, 0, lPoint);
    }
}
