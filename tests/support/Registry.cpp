#include "Registry.h"

#include <shlwapi.h>

#include <cstdio>

RegValue RegValue::Dword(DWORD value) {
    RegValue v;
    v.exists = true;
    v.type = REG_DWORD;
    const BYTE* p = reinterpret_cast<const BYTE*>(&value);
    v.data.assign(p, p + sizeof(value));
    return v;
}

RegValue RegValue::Raw(DWORD type, std::vector<BYTE> data) {
    RegValue v;
    v.exists = true;
    v.type = type;
    v.data = std::move(data);
    return v;
}

LONGLONG UnixTimeNow() {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    const LONGLONG ticks = static_cast<LONGLONG>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime;
    return (ticks - 116444736000000000LL) / 10000000;
}

std::string Describe(const RegValue& value) {
    if (!value.exists) return "(absent)";
    std::string text =
        "type " + std::to_string(value.type) + ", " + std::to_string(value.data.size()) + " bytes:";
    char hex[4];
    for (size_t i = 0; i < value.data.size() && i < 16; ++i) {
        std::snprintf(hex, sizeof(hex), " %02x", value.data[i]);
        text += hex;
    }
    return text + (value.data.size() > 16 ? " ..." : "");
}

RegValue ReadRegValue(HKEY hRoot, const std::string& path, const char* pszName) {
    RegValue value;
    HKEY hKey;
    if (::RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return value;
    DWORD cb = 0;
    if (::RegQueryValueExA(hKey, pszName, nullptr, &value.type, nullptr, &cb) == ERROR_SUCCESS) {
        value.exists = true;
        value.data.resize(cb);
        ::RegQueryValueExA(hKey, pszName, nullptr, &value.type, value.data.data(), &cb);
        value.data.resize(cb);
    }
    ::RegCloseKey(hKey);
    return value;
}

void WriteRegValue(HKEY hRoot, const std::string& path, const char* pszName,
                   const RegValue& value) {
    HKEY hKey;
    if (::RegCreateKeyExA(hRoot, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hKey,
                          nullptr) != ERROR_SUCCESS)
        return;
    if (value.exists)
        ::RegSetValueExA(hKey, pszName, 0, value.type, value.data.data(),
                         static_cast<DWORD>(value.data.size()));
    else
        ::RegDeleteValueA(hKey, pszName);
    ::RegCloseKey(hKey);
}

bool RegKeyExists(HKEY hRoot, const std::string& path) {
    HKEY hKey;
    if (::RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return false;
    ::RegCloseKey(hKey);
    return true;
}

void DeleteRegTree(HKEY hRoot, const std::string& path) {
    ::SHDeleteKeyA(hRoot, path.c_str());
}

ULONGLONG RegKeyWriteTime(HKEY hRoot, const std::string& path) {
    HKEY hKey;
    if (::RegOpenKeyExA(hRoot, path.c_str(), 0, KEY_READ, &hKey) != ERROR_SUCCESS) return 0;
    FILETIME ft = {};
    ::RegQueryInfoKeyA(hKey, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                       nullptr, nullptr, &ft);
    ::RegCloseKey(hKey);
    return (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
