// Message boxes of another process, as a user sees them: found by caption,
// read, and answered by their buttons.
#pragma once

#include <windows.h>

#include <string>

// The visible dialog-class window of process pid with this caption, waiting
// up to timeoutMs for it to appear; null if none did.
HWND WaitForMessageBox(DWORD pid, const char* pszCaption, DWORD timeoutMs = 10000);

// The box's message text.
std::string MessageBoxText(HWND hBox);

// Whether the box shows an icon.
bool MessageBoxHasIcon(HWND hBox);

// Whether the box has a (visible) button with this id.
bool MessageBoxHasButton(HWND hBox, int nId);

// Presses the button as a click would.
void AnswerMessageBox(HWND hBox, int nId);
