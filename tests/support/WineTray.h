// The notification area as Wine shows it without a system tray on the X
// display: explorer puts each icon in a child window of class
// "__winex11_tray_icon" inside a top-level "__winex11_standalone_tray"
// window, laid out left to right in the order the icons were added. Mouse
// messages posted to such a child reach the icon's owner as its callback.
#pragma once

#include <windows.h>

#include <vector>

// Every icon window now in the tray, left to right.
std::vector<HWND> TrayIconWindows();

// The icon window in `after` that was not in `before` (the newest one if
// several were added), or null.
HWND NewTrayIcon(const std::vector<HWND>& before, const std::vector<HWND>& after);

// A click of the given button on an icon window, as the mouse would make it:
// press and release, or (bDouble) press, release, second press, release.
void ClickTrayIcon(HWND hIcon, bool bRight = false, bool bDouble = false);
