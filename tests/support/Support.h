// What every test shares: waiting with a deadline while this thread's messages
// are served, the registry, and Wine's notification area. No wait here sleeps
// blindly: each ends as soon as its condition holds. Every test runs in a
// process of its own, so what one makes in this process goes with it.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

// Serves this thread's messages until pred() holds or timeoutMs have passed.
// The default is long: on a loaded CI host a program that Zapwick started was
// once not seen within 5 s, and a deadline costs nothing when it is met.
inline bool PumpUntil(const std::function<bool()>& pred, DWORD timeoutMs = 10000) {
    for (const DWORD start = ::GetTickCount();;) {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageA(&msg);
        if (pred()) return true;
        if (::GetTickCount() - start >= timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// A registry value's type and bytes; REG_NONE for a value that is absent.
using RegValue = std::pair<DWORD, std::vector<BYTE>>;

inline RegValue RegDword(DWORD dwValue) {
    return {REG_DWORD,
            {BYTE(dwValue), BYTE(dwValue >> 8), BYTE(dwValue >> 16), BYTE(dwValue >> 24)}};
}

inline RegValue ReadValue(HKEY hRoot, const std::string& key, const char* pszName) {
    RegValue value;
    DWORD cb = 0;
    if (::SHGetValueA(hRoot, key.c_str(), pszName, &value.first, nullptr, &cb)) return {};
    value.second.resize(cb);
    ::SHGetValueA(hRoot, key.c_str(), pszName, nullptr, value.second.data(), &cb);
    return value;
}

// Creates the key if needed; a value that is absent is deleted. samView may
// name the registry's 64-bit view, where 64-bit Windows' own programs write.
inline void WriteValue(HKEY hRoot, const std::string& key, const char* pszName,
                       const RegValue& value, REGSAM samView = 0) {
    HKEY hKey;
    if (value.first == REG_NONE
            ? ::RegOpenKeyExA(hRoot, key.c_str(), 0, KEY_SET_VALUE | samView, &hKey)
            : ::RegCreateKeyExA(hRoot, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE | samView, nullptr,
                                &hKey, nullptr))
        return;
    if (value.first == REG_NONE)
        ::RegDeleteValueA(hKey, pszName);
    else
        ::RegSetValueExA(hKey, pszName, 0, value.first, value.second.data(),
                         static_cast<DWORD>(value.second.size()));
    ::RegCloseKey(hKey);
}

// Wine's notification area on a display without a tray: each icon is a child
// window of a top-level "__winex11_standalone_tray"; mouse messages posted to
// it reach the icon's owner as its callback message.
inline std::vector<HWND> TrayIcons() {
    std::vector<HWND> icons;
    for (HWND hTray = nullptr;
         (hTray = ::FindWindowExA(nullptr, hTray, "__winex11_standalone_tray", nullptr));)
        for (HWND hIcon = nullptr;
             (hIcon = ::FindWindowExA(hTray, hIcon, "__winex11_tray_icon", nullptr));)
            icons.push_back(hIcon);
    return icons;
}

// The icons that have come since `before`, once there is one (within timeoutMs).
inline std::vector<HWND> WaitForNewIcons(const std::vector<HWND>& before, DWORD timeoutMs = 5000) {
    std::vector<HWND> added;
    PumpUntil(
        [&] {
            added.clear();
            for (HWND hIcon : TrayIcons())
                if (std::find(before.begin(), before.end(), hIcon) == before.end())
                    added.push_back(hIcon);
            return !added.empty();
        },
        timeoutMs);
    return added;
}
