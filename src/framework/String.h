// A small owning string of narrow characters in the system code page: enough
// for paths, command lines and message texts, without bringing the C++
// library's strings (and their exceptions) into the executable.
#pragma once

#include <windows.h>

class CString {
public:
    CString() = default;
    CString(LPCSTR psz);  // NOLINT: converts like the literal it holds
    CString(LPCSTR pch, int nLength);
    CString(const CString& other);
    CString(CString&& other) noexcept;
    CString& operator=(const CString& other);
    CString& operator=(CString&& other) noexcept;
    ~CString();

    CString& operator+=(LPCSTR psz);
    friend CString operator+(const CString& left, LPCSTR pszRight);

    operator LPCSTR() const { return m_psz ? m_psz : ""; }  // NOLINT
    int GetLength() const { return m_nLength; }
    bool IsEmpty() const { return m_nLength == 0; }

private:
    void Append(LPCSTR pch, int nLength);

    char* m_psz = nullptr;
    int m_nLength = 0;
};
