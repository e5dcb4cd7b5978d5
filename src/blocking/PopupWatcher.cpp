#include "PopupWatcher.h"

#include "BrowserPopupScanner.h"

namespace {

// Runs for every object that any other process creates, destroys or shows
// (the range below holds EVENT_OBJECT_DESTROY too), most of them no windows at
// all, so the cheapest tests come first. The request is the scan's, for this
// one window: no scan is run, so a burst of events costs these tests and no
// more.
void CALLBACK OnWinEvent(HWINEVENTHOOK, DWORD dwEvent, HWND hWnd, LONG idObject, LONG idChild,
                         DWORD, DWORD) {
    if (idObject != OBJID_WINDOW || idChild != CHILDID_SELF) return;
    if (dwEvent != EVENT_OBJECT_CREATE && dwEvent != EVENT_OBJECT_SHOW) return;
    if (IsBrowserPopup(hWnd)) ::PostMessageA(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
}

}  // namespace

HWINEVENTHOOK StartPopupWatch() {
    // Out of context, so nothing is loaded into other processes and the
    // reports come to this thread's queue; our own windows are no pop-ups.
    return ::SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_SHOW, nullptr, &OnWinEvent, 0, 0,
                             WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
}

void StopPopupWatch(HWINEVENTHOOK hHook) {
    if (hHook) ::UnhookWinEvent(hHook);
}
