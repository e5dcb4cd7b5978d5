// Reading and arranging registry values around a test.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct RegValue {
    bool exists = false;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    static RegValue Dword(DWORD value);
    static RegValue Raw(DWORD type, std::vector<BYTE> data);
    bool operator==(const RegValue& o) const {
        return exists == o.exists && type == o.type && data == o.data;
    }
};

std::string Describe(const RegValue& value);

// Seconds since 1970-01-01 UTC: the clock of the reminder's stored times.
LONGLONG UnixTimeNow();

RegValue ReadRegValue(HKEY hRoot, const std::string& path, const char* pszName);
// Creates the key if needed; a value that does not "exist" is deleted.
void WriteRegValue(HKEY hRoot, const std::string& path, const char* pszName, const RegValue& value);
bool RegKeyExists(HKEY hRoot, const std::string& path);
void DeleteRegTree(HKEY hRoot, const std::string& path);
// The key's last write time, to tell a rewrite from no write at all.
ULONGLONG RegKeyWriteTime(HKEY hRoot, const std::string& path);
