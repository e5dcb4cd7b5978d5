#include "NarrowPath.h"

namespace {

// WideCharToMultiByte would otherwise write a look-alike ("L" for "Ł"), which
// may name another file; "?" names none. UTF-8 spells everything and takes no
// such flag.
DWORD NoBestFit(UINT nCodePage) {
    return nCodePage == CP_UTF8 ? 0 : WC_NO_BEST_FIT_CHARS;
}

CString ToCodePage(LPCWSTR pszText, UINT nCodePage) {
    const DWORD dwFlags = NoBestFit(nCodePage);
    const int nSize =
        ::WideCharToMultiByte(nCodePage, dwFlags, pszText, -1, nullptr, 0, nullptr, nullptr);
    if (nSize <= 0) return CString();
    char* psz = new char[nSize];
    const int nWritten =
        ::WideCharToMultiByte(nCodePage, dwFlags, pszText, -1, psz, nSize, nullptr, nullptr);
    CString str(psz, nWritten > 0 ? nWritten - 1 : 0);
    delete[] psz;
    return str;
}

// Whether the text reads back unchanged from nCodePage.
bool Spells(UINT nCodePage, LPCWSTR pszText) {
    const CString str = ToCodePage(pszText, nCodePage);
    const int nSize = ::MultiByteToWideChar(nCodePage, 0, str, -1, nullptr, 0);
    if (nSize <= 0) return false;
    wchar_t* psz = new wchar_t[nSize];
    const bool bSame = ::MultiByteToWideChar(nCodePage, 0, str, -1, psz, nSize) == nSize &&
                       ::lstrcmpW(psz, pszText) == 0;
    delete[] psz;
    return bSame;
}

bool SpelledByBoth(LPCWSTR pszText, UINT nReaderCodePage) {
    return Spells(::GetACP(), pszText) && Spells(nReaderCodePage, pszText);
}

}  // namespace

UINT GetSystemCodePage() {
    char szCodePage[8];
    UINT nCodePage = 0;
    if (::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, szCodePage,
                         sizeof(szCodePage)))
        for (const char* p = szCodePage; *p >= '0' && *p <= '9' && nCodePage < 100000; ++p)
            nCodePage = nCodePage * 10 + (*p - '0');
    // A locale that has no code page of its own (0) leaves the program's.
    return nCodePage && ::IsValidCodePage(nCodePage) ? nCodePage : ::GetACP();
}

CString GetNarrowPath(LPCWSTR pszPath, UINT nReaderCodePage) {
    if (SpelledByBoth(pszPath, nReaderCodePage)) return ToCodePage(pszPath, ::GetACP());
    // Where the volume keeps no short names, the path comes back as it was.
    CString strShort;
    const DWORD nSize = ::GetShortPathNameW(pszPath, nullptr, 0);
    if (nSize) {
        wchar_t* pszShort = new wchar_t[nSize];
        const DWORD nLength = ::GetShortPathNameW(pszPath, pszShort, nSize);
        if (nLength && nLength < nSize && SpelledByBoth(pszShort, nReaderCodePage))
            strShort = ToCodePage(pszShort, ::GetACP());
        delete[] pszShort;
    }
    return strShort.IsEmpty() ? ToCodePage(pszPath, ::GetACP()) : strShort;
}

CString GetModulePath(HMODULE hModule) {
    // MAX_PATH is only where we start: a path that does not fit is read whole
    // with a larger buffer, never cut. (Windows XP fills a buffer that is too
    // small without its terminating zero and returns its size.)
    for (DWORD nSize = MAX_PATH; nSize <= 0x10000; nSize *= 2) {
        wchar_t* pszPath = new wchar_t[nSize];
        const DWORD nLength = ::GetModuleFileNameW(hModule, pszPath, nSize);
        CString strPath;
        if (nLength && nLength < nSize) strPath = GetNarrowPath(pszPath, GetSystemCodePage());
        delete[] pszPath;
        if (nLength == 0) return CString();
        if (nLength < nSize) return strPath;
    }
    return CString();
}
