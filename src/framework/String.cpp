#include "String.h"

#include <string.h>

CString::CString(LPCSTR psz) {
    if (psz) Append(psz, static_cast<int>(strlen(psz)));
}

CString::CString(LPCSTR pch, int nLength) {
    if (pch && nLength > 0) Append(pch, nLength);
}

CString::CString(const CString& other) {
    Append(other, other.m_nLength);
}

CString::CString(CString&& other) noexcept : m_psz(other.m_psz), m_nLength(other.m_nLength) {
    other.m_psz = nullptr;
    other.m_nLength = 0;
}

CString& CString::operator=(const CString& other) {
    if (this != &other) *this = CString(other);
    return *this;
}

CString& CString::operator=(CString&& other) noexcept {
    if (this != &other) {
        delete[] m_psz;
        m_psz = other.m_psz;
        m_nLength = other.m_nLength;
        other.m_psz = nullptr;
        other.m_nLength = 0;
    }
    return *this;
}

CString::~CString() {
    delete[] m_psz;
}

CString& CString::operator+=(LPCSTR psz) {
    if (psz) Append(psz, static_cast<int>(strlen(psz)));
    return *this;
}

CString operator+(const CString& left, LPCSTR pszRight) {
    CString result(left);
    result += pszRight;
    return result;
}

void CString::Append(LPCSTR pch, int nLength) {
    if (nLength <= 0) return;
    char* psz = new char[m_nLength + nLength + 1];
    if (m_nLength) memcpy(psz, m_psz, m_nLength);
    memcpy(psz + m_nLength, pch, nLength);
    psz[m_nLength + nLength] = '\0';
    delete[] m_psz;
    m_psz = psz;
    m_nLength += nLength;
}
