#include "WinApp.h"

#include <shlwapi.h>

#include "AdminSettings.h"
#include "NarrowPath.h"
#include "SettingsStore.h"
#include "Wnd.h"
#include "res/resource.h"

namespace {

CWinApp* s_pApp = nullptr;

}  // namespace

CWinApp* GetApp() {
    return s_pApp;
}

HWND GetMainHwnd() {
    return s_pApp && s_pApp->m_pMainWnd ? s_pApp->m_pMainWnd->GetSafeHwnd() : nullptr;
}

HWND GetSafeOwner(CWnd* pParent) {
    if (pParent) return pParent->GetSafeHwnd();
    HWND hMain = GetMainHwnd();
    return hMain ? ::GetLastActivePopup(hMain) : nullptr;
}

int AppMessageBox(LPCSTR pszText, UINT nType) {
    if (!(nType & MB_ICONMASK)) nType |= MB_ICONEXCLAMATION;
    LPCSTR pszCaption = s_pApp ? s_pApp->GetAppName() : nullptr;
    return ::MessageBoxA(GetSafeOwner(nullptr), pszText, pszCaption, nType);
}

HINSTANCE AppInstance() {
    return s_pApp && s_pApp->m_hInstance ? s_pApp->m_hInstance : ::GetModuleHandleA(nullptr);
}

CString LoadResString(UINT nId) {
    char szText[256];
    const int nLength = ::LoadStringA(AppInstance(), nId, szText, sizeof(szText));
    return CString(szText, nLength > 0 ? nLength : 0);
}

CWinApp::CWinApp(LPCSTR pszAppName) : m_strAppName(pszAppName) {
    s_pApp = this;
}

CWinApp::~CWinApp() {
    if (s_pApp == this) s_pApp = nullptr;
}

void CWinApp::StartFramework(HINSTANCE hInstance, LPSTR pszCmdLine, int nCmdShow) {
    ::SetErrorMode(::SetErrorMode(0) | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    m_hInstance = hInstance;
    m_pszCmdLine = pszCmdLine;
    m_nCmdShow = nCmdShow;

    const CString strModule = GetModulePath(hInstance);
    LPCSTR pszModule = strModule;
    LPCSTR pszFileName = ::PathFindFileNameA(pszModule);
    LPCSTR pszExtension = ::PathFindExtensionA(pszModule);
    m_strExeName = CString(pszFileName, static_cast<int>(pszExtension - pszFileName));
    m_strHelpFilePath = CString(pszModule, static_cast<int>(pszExtension - pszModule)) + ".HLP";

    if (m_strAppName.IsEmpty()) m_strAppName = LoadResString(IDS_APP_TITLE);
    if (m_strAppName.IsEmpty()) m_strAppName = m_strExeName;
}

void CWinApp::SetRegistryKey(LPCSTR pszMakerKey) {
    m_strRegistryKey = pszMakerKey;
}

UINT CWinApp::GetProfileInt(LPCSTR pszSection, LPCSTR pszEntry, int nDefault) {
    if (m_strRegistryKey.IsEmpty()) return static_cast<UINT>(nDefault);
    return ReadSettingInt(m_strRegistryKey, m_strAppName, pszSection, pszEntry, nDefault);
}

BOOL CWinApp::WriteProfileInt(LPCSTR pszSection, LPCSTR pszEntry, int nValue) {
    if (m_strRegistryKey.IsEmpty()) return FALSE;
    return WriteSettingInt(m_strRegistryKey, m_strAppName, pszSection, pszEntry, nValue);
}

bool CWinApp::GetAdminSetting(LPCSTR pszEntry, DWORD* pdwValue) {
    if (m_strRegistryKey.IsEmpty()) return false;
    return ReadAdminSetting(m_strRegistryKey, m_strAppName, pszEntry, pdwValue);
}
