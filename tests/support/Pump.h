// Waiting in tests: serve this thread's windows until a condition holds or a
// deadline passes. Nothing here sleeps blindly.
#pragma once

#include <windows.h>

#include <functional>

// Dispatches every message already queued for this thread. A quit message is
// kept aside for TakeQuitMessage instead of being dispatched.
void PumpPending();

// A filter that sees each message before it is dispatched and may consume it
// (return true), as a program's message loop does for dialog navigation.
// Pass an empty function to remove it.
void SetMessageFilter(std::function<bool(MSG*)> filter);

// Whether a quit message was pumped since the last call, and its code.
bool TakeQuitMessage(WPARAM* pCode = nullptr);

// Serves messages until pred() holds or timeoutMs have passed; returns pred().
bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 5000);

// Serves messages for a fixed time. Only for checks that something does NOT
// happen within a window of time that a positive control has bounded.
void PumpFor(DWORD ms);
