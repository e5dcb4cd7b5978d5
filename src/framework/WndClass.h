// Window classes registered on demand. A class is named after its attributes,
// so equal requests share one class and nothing needs to know its name.
#pragma once

#include <windows.h>

// Registers, once per process, a class with CWnd's window procedure and the
// given attributes, and puts its name in szName. FALSE if it cannot be done.
BOOL RegisterWndClass(char (&szName)[80], UINT nClassStyle, HCURSOR hCursor, HBRUSH hbrBackground,
                      HICON hIcon);
