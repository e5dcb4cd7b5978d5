// floor.exe: the least a resident Win32 program can be, for `make bench` to
// set Zapwick's figures against. One hidden top-level window, the same two
// timers as Zapwick (500 ms and 200 ms) doing nothing, and a message loop.
// WM_CLOSE to the window ends it with exit code 0. Built like zapwick.exe, so
// that the difference between the two is what Zapwick itself costs.
#include <windows.h>

namespace {

constexpr char kClassName[] = "ZapwickFloor";
constexpr char kTitle[] = "Zapwick floor";
constexpr UINT_PTR kScanTimer = 1;
constexpr UINT kScanIntervalMs = 500;
constexpr UINT_PTR kTrayTimer = 2;
constexpr UINT kTrayIntervalMs = 200;

LRESULT CALLBACK FloorProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    switch (nMsg) {
        case WM_TIMER:
            // Zapwick's ticks scan and refresh; the floor's only wake up.
            return 0;
        case WM_CLOSE:
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
    HWND hWnd = ::CreateWindowExA(WS_EX_CLIENTEDGE, kClassName, kTitle, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, hInstance, nullptr);
    if (!hWnd) return 1;
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
