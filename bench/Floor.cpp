// floor.exe: the polling-only counterpart that `make bench` sets Zapwick's
// figures against. One hidden top-level window; every 500 ms the product's own
// scan asks browser pop-ups to close, and every 200 ms a tray icon is
// refreshed the way Zapwick refreshes its own (the picture with the first
// request only). Nothing watches for new windows, so the floor shows what the
// scan alone costs and how late it alone closes a pop-up. WM_CLOSE to the
// window ends it with exit code 0. Built like zapwick.exe.
#include <windows.h>
#include <shellapi.h>

#include "Floor.h"
#include "blocking/BrowserPopupScanner.h"

namespace {

constexpr char kClassName[] = "ZapwickFloor";
constexpr UINT_PTR kScanTimer = 1;
constexpr UINT kScanIntervalMs = 500;
constexpr UINT_PTR kTrayTimer = 2;
constexpr UINT kTrayIntervalMs = 200;

NOTIFYICONDATAA s_nid;

LRESULT CALLBACK FloorProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    switch (nMsg) {
        case WM_TIMER:
            if (wParam == kScanTimer) {
                CloseBrowserPopups();
            } else {
                ::Shell_NotifyIconA(s_nid.uFlags & NIF_ICON ? NIM_ADD : NIM_MODIFY, &s_nid);
                s_nid.uFlags &= ~NIF_ICON;
            }
            return 0;
        case WM_CLOSE:
            ::Shell_NotifyIconA(NIM_DELETE, &s_nid);
            ::PostQuitMessage(0);
            return 0;
    }
    return ::DefWindowProcA(hWnd, nMsg, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = &FloorProc;
    wc.hInstance = hInstance;
    wc.lpszClassName = kClassName;
    if (!::RegisterClassA(&wc)) return 1;

    // Styled like Zapwick's main frame, and like it never shown.
    HWND hWnd = ::CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, FLOOR_TITLE, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, hInstance, nullptr);
    if (!hWnd) return 1;
    s_nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    s_nid.hWnd = hWnd;
    s_nid.uID = 1;
    s_nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    s_nid.uCallbackMessage = WM_APP;
    s_nid.hIcon = ::LoadIconA(nullptr, IDI_APPLICATION);
    ::lstrcpynA(s_nid.szTip, FLOOR_TITLE, sizeof(s_nid.szTip));
    ::SendMessageA(hWnd, WM_TIMER, kTrayTimer, 0);  // the icon is there before the first tick
    ::SetTimer(hWnd, kScanTimer, kScanIntervalMs, nullptr);
    ::SetTimer(hWnd, kTrayTimer, kTrayIntervalMs, nullptr);

    MSG msg;
    while (::GetMessageA(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
    ::DestroyWindow(hWnd);
    return static_cast<int>(msg.wParam);
}
