#include "Dpi.h"

#include "WinApp.h"

namespace {

constexpr UINT DEFAULT_DPI = 96;  // 100 %, and all that Windows XP knows

template <typename Fn>
Fn User32Function(const char* pszName) {
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("user32.dll"), pszName)));
}

UINT GetSystemDpi() {
    HDC hdc = ::GetDC(nullptr);
    const int nDpi = hdc ? ::GetDeviceCaps(hdc, LOGPIXELSX) : 0;
    if (hdc) ::ReleaseDC(nullptr, hdc);
    return nDpi > 0 ? static_cast<UINT>(nDpi) : DEFAULT_DPI;
}

}  // namespace

UINT GetDpiOfWindow(HWND hWnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto pfnGetDpiForWindow = User32Function<GetDpiForWindowFn>("GetDpiForWindow");
    const UINT nDpi = hWnd && pfnGetDpiForWindow ? pfnGetDpiForWindow(hWnd) : 0;
    return nDpi ? nDpi : GetSystemDpi();
}

int GetMetricForDpi(int nIndex, UINT nDpi) {
    using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto pfnGetSystemMetricsForDpi =
        User32Function<GetSystemMetricsForDpiFn>("GetSystemMetricsForDpi");
    if (pfnGetSystemMetricsForDpi) return pfnGetSystemMetricsForDpi(nIndex, nDpi);
    // Older systems give every program the metrics of the system DPI; a
    // monitor of another DPI (Windows 8.1) scales them.
    return ::MulDiv(::GetSystemMetrics(nIndex), static_cast<int>(nDpi),
                    static_cast<int>(GetSystemDpi()));
}

HICON LoadIconForDpi(UINT nId, int nSize, UINT nDpi) {
    const int cxy = GetMetricForDpi(nSize, nDpi);  // icons are square
    return static_cast<HICON>(
        ::LoadImageA(AppInstance(), MAKEINTRESOURCEA(nId), IMAGE_ICON, cxy, cxy, 0));
}
