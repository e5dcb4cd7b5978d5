#include "MessageBoxes.h"

#include "Pump.h"
#include "ZapwickProcess.h"

namespace {

// The ids in the platform's message box template.
constexpr int MSGBOX_IDICON = 1088;
constexpr int MSGBOX_IDTEXT = 0xFFFF;

}  // namespace

HWND WaitForMessageBox(DWORD pid, const char* pszCaption, DWORD timeoutMs) {
    HWND hBox = nullptr;
    PumpUntil(
        [&] {
            for (HWND hWnd : FindProcessWindows(pid, "#32770", pszCaption)) {
                if (::IsWindowVisible(hWnd)) {
                    hBox = hWnd;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return hBox;
}

std::string MessageBoxText(HWND hBox) {
    char text[1024] = {};
    ::GetWindowTextA(::GetDlgItem(hBox, MSGBOX_IDTEXT), text, sizeof(text));
    return text;
}

bool MessageBoxHasIcon(HWND hBox) {
    HWND hIcon = ::GetDlgItem(hBox, MSGBOX_IDICON);
    return hIcon && ::IsWindowVisible(hIcon) && ::SendMessageA(hIcon, STM_GETICON, 0, 0) != 0;
}

bool MessageBoxHasButton(HWND hBox, int nId) {
    HWND hButton = ::GetDlgItem(hBox, nId);
    return hButton && ::IsWindowVisible(hButton);
}

void AnswerMessageBox(HWND hBox, int nId) {
    ::PostMessageA(hBox, WM_COMMAND, MAKEWPARAM(nId, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(hBox, nId)));
}
