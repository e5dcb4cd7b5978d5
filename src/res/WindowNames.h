// The window texts by which the program's hidden windows are found from
// outside: by the tools that drive it, and by anyone who posts it WM_CLOSE.
#pragma once

#define MAIN_FRAME_TITLE "Hello World!"
#define TRAY_WINDOW_TITLE "TrayIconHandler"
