// Sizes for the DPI that a window is shown at. The calls that Windows 10 added
// for it are looked up at run time; where they are missing, the system's one
// DPI is all there is, and the program keeps starting on every Windows.
#pragma once

#include <windows.h>

// Sent to a window that has moved to a monitor of another DPI (Windows 8.1
// and later); the headers hide it from a program that starts on XP.
#ifndef WM_DPICHANGED
constexpr UINT WM_DPICHANGED = 0x02E0;
#endif

// The DPI of the monitor that the window is on (for this per-monitor aware
// program), or the system DPI where Windows cannot tell or hWnd is null.
UINT GetDpiOfWindow(HWND hWnd);

// A system metric (SM_CXICON, SM_CXSMICON and the like) at that DPI.
int GetMetricForDpi(int nIndex, UINT nDpi);

// The program's icon resource nId at the size that metric nSize (SM_CXICON or
// SM_CXSMICON) has at that DPI, its own frame of that size where it has one.
// The caller owns it and destroys it with DestroyIcon; null on failure.
HICON LoadIconForDpi(UINT nId, int nSize, UINT nDpi);
