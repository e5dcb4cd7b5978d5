#include "InstallerLog.h"

#include <msiquery.h>

void Log(MSIHANDLE hInstall, const wchar_t* pszFormat, ...) {
    wchar_t line[1024];  // wvsprintfW writes at most 1024 characters
    va_list args;
    va_start(args, pszFormat);
    ::wvsprintfW(line, pszFormat, args);
    va_end(args);
    PMSIHANDLE hRecord = ::MsiCreateRecord(1);
    ::MsiRecordSetStringW(hRecord, 0, line);
    ::MsiProcessMessage(hInstall, INSTALLMESSAGE_INFO, hRecord);
}
