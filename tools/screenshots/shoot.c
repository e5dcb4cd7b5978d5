/* shoot.exe COMMAND: drives a running Zapwick for scripts/screenshots.sh.
 * Each command posts what a user's click or menu choice would make Zapwick
 * receive, waits until the window it leads to is on screen (or gone), and,
 * for the "-show" commands, prints that window's rectangle on the screen as
 * "left top width height", for the script to cut out of a screen capture.
 *
 *   ready        wait until Zapwick's tray window and icon exist
 *   status-show  click the tray icon; wait for the status window
 *   status-hide  click the tray icon again; wait until the window is hidden
 *   menu-show    right-click the tray icon; wait for the menu
 *   menu-close   press Esc in the menu; wait until it is gone
 *   about-show   choose About; wait for the About box
 *   about-close  press the About box's OK; wait until it is gone
 *   exit         choose Exit; wait until Zapwick's windows are gone
 *
 * A helper for making pictures, never part of the product or its package.
 * Exit code 0 on success, 1 when the window did not come (or go) in time. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

#define WM_TRAY_NOTIFY (WM_USER + 500)
#define TRAY_ICON_ID 100
#define ID_TRAY_EXIT 32771
#define ID_TRAY_ABOUT 32774
#define TIMEOUT_MS 15000
/* Time for a window that has just appeared to be painted on the X display. */
#define SETTLE_MS 700

static HWND g_tray;
static DWORD g_pid;

struct Find {
    const char* cls;
    const char* title; /* NULL: any */
    HWND found;
};

static BOOL CALLBACK FindVisible(HWND hwnd, LPARAM lp) {
    struct Find* f = (struct Find*)lp;
    char cls[64], title[128];
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != g_pid || !IsWindowVisible(hwnd)) return TRUE;
    if (!GetClassNameA(hwnd, cls, sizeof cls) || strcmp(cls, f->cls) != 0) return TRUE;
    GetWindowTextA(hwnd, title, sizeof title);
    if (f->title && strcmp(title, f->title) != 0) return TRUE;
    f->found = hwnd;
    return FALSE;
}

/* The visible top-level window of Zapwick with this class (and title). */
static HWND Visible(const char* cls, const char* title) {
    struct Find f = {cls, title, NULL};
    EnumWindows(FindVisible, (LPARAM)&f);
    return f.found;
}

static HWND WaitVisible(const char* cls, const char* title, BOOL want) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND h = Visible(cls, title);
        if (want ? h != NULL : h == NULL) return want ? h : (HWND)1;
        if (GetTickCount() - start > TIMEOUT_MS) return NULL;
        Sleep(50);
    }
}

/* Makes hwnd the foreground window, and waits until it is. */
static void MakeForeground(HWND hwnd) {
    DWORD start = GetTickCount();
    while (GetForegroundWindow() != hwnd && GetTickCount() - start < 3000) {
        SetForegroundWindow(hwnd);
        Sleep(100);
    }
}

static int PrintRect(HWND h) {
    RECT rc;
    if (!h) return 1;
    Sleep(SETTLE_MS);
    GetWindowRect(h, &rc);
    printf("%ld %ld %ld %ld\n", rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top);
    return 0;
}

static int Fail(const char* what) {
    fprintf(stderr, "shoot.exe: %s\n", what);
    return 1;
}

static void Click(UINT up) {
    if (up == WM_LBUTTONUP) PostMessageA(g_tray, WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_LBUTTONDOWN);
    else PostMessageA(g_tray, WM_TRAY_NOTIFY, TRAY_ICON_ID, WM_RBUTTONDOWN);
    PostMessageA(g_tray, WM_TRAY_NOTIFY, TRAY_ICON_ID, up);
}

int main(int argc, char** argv) {
    const char* cmd = argc > 1 ? argv[1] : "";
    DWORD start = GetTickCount();
    while (!(g_tray = FindWindowA(NULL, "TrayIconHandler"))) {
        if (GetTickCount() - start > TIMEOUT_MS) return Fail("Zapwick's tray window did not appear");
        Sleep(50);
    }
    GetWindowThreadProcessId(g_tray, &g_pid);

    if (!strcmp(cmd, "ready")) {
        /* ...and its icon is in the notification area. */
        HWND hTray = NULL;
        while (!(hTray = FindWindowA("__winex11_standalone_tray", NULL)) ||
               !FindWindowExA(hTray, NULL, "__winex11_tray_icon", NULL)) {
            if (GetTickCount() - start > TIMEOUT_MS) return Fail("Zapwick's icon did not appear");
            Sleep(50);
        }
        return 0;
    } else if (!strcmp(cmd, "status-show")) {
        Click(WM_LBUTTONUP);
        HWND h = WaitVisible("#32770", "Zapwick", TRUE);
        /* Under Wine the window comes up in front but with the caption of an
         * inactive window; Windows, which lets the owner of a clicked icon
         * take the foreground, shows it active. Activating it anew from the
         * hidden tray window draws it as Windows does. */
        if (h) {
            MakeForeground(g_tray);
            MakeForeground(h);
        }
        return h ? PrintRect(h) : Fail("the status window did not appear");
    } else if (!strcmp(cmd, "status-hide")) {
        Click(WM_LBUTTONUP);
        return WaitVisible("#32770", "Zapwick", FALSE) ? 0 : Fail("the status window stayed");
    } else if (!strcmp(cmd, "menu-show")) {
        Click(WM_RBUTTONUP);
        HWND h = WaitVisible("#32768", NULL, TRUE);
        return h ? PrintRect(h) : Fail("the tray menu did not appear");
    } else if (!strcmp(cmd, "menu-close")) {
        PostMessageA(g_tray, WM_KEYDOWN, VK_ESCAPE, 1);
        return WaitVisible("#32768", NULL, FALSE) ? 0 : Fail("the tray menu stayed");
    } else if (!strcmp(cmd, "about-show")) {
        PostMessageA(g_tray, WM_COMMAND, ID_TRAY_ABOUT, 0);
        HWND h = WaitVisible("#32770", "About Zapwick", TRUE);
        return h ? PrintRect(h) : Fail("the About box did not appear");
    } else if (!strcmp(cmd, "about-close")) {
        HWND h = Visible("#32770", "About Zapwick");
        if (h) PostMessageA(h, WM_COMMAND, IDOK, 0);
        return WaitVisible("#32770", "About Zapwick", FALSE) ? 0 : Fail("the About box stayed");
    } else if (!strcmp(cmd, "exit")) {
        PostMessageA(g_tray, WM_COMMAND, ID_TRAY_EXIT, 0);
        start = GetTickCount();
        while (IsWindow(g_tray)) {
            if (GetTickCount() - start > TIMEOUT_MS) return Fail("Zapwick did not exit");
            Sleep(50);
        }
        return 0;
    }
    fprintf(stderr, "usage: shoot.exe ready|status-show|status-hide|menu-show|menu-close|"
                    "about-show|about-close|exit\n");
    return 2;
}
