#include "MessengerService.h"

void DisableMessengerService() {
    HKEY hKey;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SYSTEM\\ControlSet001\\Services\\Messenger", 0,
                        KEY_READ | KEY_WRITE, &hKey) != ERROR_SUCCESS)
        return;

    // The value is a REG_DWORD for every service; whatever was read is written
    // back with only its first byte changed, in its own type and length.
    BYTE data[MAX_PATH] = {};
    DWORD dwType = 0;
    DWORD cbData = sizeof(data);
    if (::RegQueryValueExA(hKey, "Start", nullptr, &dwType, data, &cbData) == ERROR_SUCCESS) {
        data[0] = SERVICE_DISABLED;
        ::RegSetValueExA(hKey, "Start", 0, dwType, data, cbData);
    }
    ::RegCloseKey(hKey);
}
