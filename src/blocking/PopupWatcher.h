// Closes browser pop-ups the moment they appear, rather than at the scan's
// next tick: the platform reports every new or newly shown window of other
// processes, and each one that is a pop-up is asked to close at once.
#pragma once

#include <windows.h>

// Starts watching; the reports arrive through the calling thread's message
// loop, which must run for as long as the watch does. Null if the platform
// refuses, and the scan then works alone.
HWINEVENTHOOK StartPopupWatch();

// Ends a watch that StartPopupWatch began; nothing for null.
void StopPopupWatch(HWINEVENTHOOK hHook);
