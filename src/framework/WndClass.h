// Window classes registered on demand. A class is named after its attributes,
// so equal requests share one class and nothing needs to know its name.
#pragma once

#include <windows.h>

// Room for a class name made of four handles and a style, in 64-bit hex.
constexpr int WND_CLASS_NAME_SIZE = 96;

// Registers, once per process, a class with CWnd's window procedure and the
// given attributes, and puts its name in szName. FALSE if it cannot be done.
BOOL RegisterWndClass(char (&szName)[WND_CLASS_NAME_SIZE], UINT nClassStyle, HCURSOR hCursor,
                      HBRUSH hbrBackground, HICON hIcon);
