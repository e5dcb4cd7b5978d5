// The application object: exactly one, a global constructed before WinMain.
// The framework's start-up gives it its name and paths; the program's own
// start-up is InitInstance.
#pragma once

#include "String.h"
#include "WinThread.h"

class CWinApp : public CWinThread {
public:
    // Without a name the application takes string IDS_APP_TITLE, or failing
    // that the executable's file name without extension.
    explicit CWinApp(LPCSTR pszAppName = nullptr);
    ~CWinApp() override;

    // The framework's start-up, run by WinMain before InitInstance.
    void StartFramework(HINSTANCE hInstance, LPSTR pszCmdLine, int nCmdShow);

    // Names the settings store: HKCU\software\<maker>\<application name>.
    void SetRegistryKey(LPCSTR pszMakerKey);

    // The application's settings, in the store SetRegistryKey named. (The
    // platform's headers make these GetProfileIntA everywhere; that is fine.)
    UINT GetProfileInt(LPCSTR pszSection, LPCSTR pszEntry, int nDefault);
    BOOL WriteProfileInt(LPCSTR pszSection, LPCSTR pszEntry, int nValue);
    // What an administrator set for the application (AdminSettings.h); false
    // where nothing is set.
    bool GetAdminSetting(LPCSTR pszEntry, DWORD* pdwValue);

    LPCSTR GetAppName() const { return m_strAppName; }
    // The executable's full path with its extension replaced by ".HLP".
    LPCSTR GetHelpFilePath() const { return m_strHelpFilePath; }
    LPCSTR GetRegistryKey() const { return m_strRegistryKey; }

    HINSTANCE m_hInstance = nullptr;
    LPSTR m_pszCmdLine = nullptr;    // kept, never used
    int m_nCmdShow = SW_SHOWNORMAL;  // kept, never used

protected:
    CString m_strAppName;
    CString m_strExeName;
    CString m_strHelpFilePath;
    CString m_strRegistryKey;
};

// The application object, or null before it is constructed.
CWinApp* GetApp();

// The application's main window, or null.
HWND GetMainHwnd();

// The owner of a dialog or message box: the parent if one is given, else the
// main window or the pop-up that was last active in it, else none.
HWND GetSafeOwner(CWnd* pParent);

// A message box captioned with the application's name, the exclamation mark
// added when no icon is asked for, owned as GetSafeOwner(nullptr) says.
int AppMessageBox(LPCSTR pszText, UINT nType = MB_OK);

// The module whose resources and window classes the program uses.
HINSTANCE AppInstance();

// The string table entry nId, or an empty string.
CString LoadResString(UINT nId);
