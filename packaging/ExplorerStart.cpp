#include "ExplorerStart.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlobj.h>

bool IsElevatedByUac() {
    HANDLE hToken = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &hToken)) return false;
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD cb = 0;
    const bool bFull =
        ::GetTokenInformation(hToken, TokenElevationType, &type, sizeof(type), &cb) &&
        type == TokenElevationTypeFull;
    ::CloseHandle(hToken);
    return bFull;
}

namespace {

// Releases a COM pointer when it goes out of scope; never copied.
template <typename T>
struct ComPtr {
    T* p = nullptr;
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ~ComPtr() {
        if (p) p->Release();
    }
    T** operator&() { return &p; }
    T* operator->() const { return p; }
};

// The shell's automation object of the desktop's Explorer window, reached
// through its view; false where there is no Explorer to ask.
bool GetDesktopShell(ComPtr<IShellDispatch2>& shell) {
    ComPtr<IShellWindows> windows;
    ComPtr<IDispatch> desktop, background, application;
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IShellFolderViewDual> folderView;
    VARIANT location, root;
    ::VariantInit(&location);
    ::VariantInit(&root);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    long hWnd = 0;
    return SUCCEEDED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                        IID_IShellWindows, reinterpret_cast<void**>(&windows))) &&
           windows->FindWindowSW(&location, &root, SWC_DESKTOP, &hWnd, SWFO_NEEDDISPATCH,
                                 &desktop) == S_OK &&
           SUCCEEDED(desktop->QueryInterface(IID_IServiceProvider,
                                             reinterpret_cast<void**>(&services))) &&
           SUCCEEDED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                            reinterpret_cast<void**>(&browser))) &&
           SUCCEEDED(browser->QueryActiveShellView(&view)) &&
           SUCCEEDED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                         reinterpret_cast<void**>(&background))) &&
           SUCCEEDED(background->QueryInterface(IID_IShellFolderViewDual,
                                                reinterpret_cast<void**>(&folderView))) &&
           SUCCEEDED(folderView->get_Application(&application)) &&
           SUCCEEDED(
               application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(&shell)));
}

bool ShellExecuteThrough(IShellDispatch2* pShell, const wchar_t* pszProgram,
                         const wchar_t* pszFolder) {
    BSTR file = ::SysAllocString(pszProgram);
    VARIANT arguments, folder, operation, show;
    ::VariantInit(&arguments);
    folder.vt = VT_BSTR;
    folder.bstrVal = ::SysAllocString(pszFolder);
    operation.vt = VT_BSTR;
    operation.bstrVal = ::SysAllocString(L"open");
    show.vt = VT_I4;
    show.lVal = SW_SHOWNORMAL;
    const bool bStarted = file && folder.bstrVal && operation.bstrVal &&
                          SUCCEEDED(pShell->ShellExecute(file, arguments, folder, operation, show));
    ::SysFreeString(file);
    ::VariantClear(&folder);
    ::VariantClear(&operation);
    return bStarted;
}

}  // namespace

bool StartThroughExplorer(const wchar_t* pszProgram, const wchar_t* pszFolder) {
    // This thread may already be in an apartment of another kind; COM's calls
    // to Explorer work from either.
    const HRESULT hrCom = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    bool bStarted = false;
    {
        ComPtr<IShellDispatch2> shell;
        bStarted = GetDesktopShell(shell) && ShellExecuteThrough(shell.p, pszProgram, pszFolder);
    }  // released before COM is left
    if (SUCCEEDED(hrCom)) ::CoUninitialize();
    return bStarted;
}
