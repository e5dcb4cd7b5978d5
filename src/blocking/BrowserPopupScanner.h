// Closes browser pop-ups: top-level "IEFrame" windows without a sizing border.
#pragma once

#include <windows.h>

// Whether hWnd is such a pop-up: a child of the desktop, of class "IEFrame"
// (in any letter case, as the platform's window search compares classes),
// whose style lacks WS_THICKFRAME. False for null or a window that is gone.
bool IsBrowserPopup(HWND hWnd);

// One pass over the desktop's top-level windows. Each pop-up found is asked to
// close as if the user had chosen Close from its system menu; the request is
// posted, so a busy or hung browser cannot hold the pass up.
void CloseBrowserPopups();
