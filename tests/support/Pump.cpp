#include "Pump.h"

namespace {
std::function<bool(MSG*)> s_filter;
bool s_bQuitSeen = false;
WPARAM s_quitCode = 0;
}  // namespace

bool TakeQuitMessage(WPARAM* pCode) {
    PumpPending();
    const bool bSeen = s_bQuitSeen;
    if (pCode) *pCode = s_quitCode;
    s_bQuitSeen = false;
    return bSeen;
}

void PumpPending() {
    MSG msg;
    while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            s_bQuitSeen = true;
            s_quitCode = msg.wParam;
            continue;
        }
        if (s_filter && s_filter(&msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        PumpPending();
        if (pred()) return true;
        const DWORD elapsed = ::GetTickCount() - start;
        if (elapsed >= timeoutMs) return pred();
        const DWORD slice = timeoutMs - elapsed < 20 ? timeoutMs - elapsed : 20;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, slice, QS_ALLINPUT);
    }
}

void SetMessageFilter(std::function<bool(MSG*)> filter) {
    s_filter = std::move(filter);
}

void PumpFor(DWORD ms) {
    PumpUntil([] { return false; }, ms);
}
