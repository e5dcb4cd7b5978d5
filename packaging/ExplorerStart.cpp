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

}  // namespace

bool StartThroughExplorer(const wchar_t* pszProgram, const wchar_t* pszFolder) {
    ComPtr<IShellWindows> windows;
    ComPtr<IDispatch> desktop, background, application;
    ComPtr<IServiceProvider> services;
    ComPtr<IShellBrowser> browser;
    ComPtr<IShellView> view;
    ComPtr<IShellFolderViewDual> folderView;
    ComPtr<IShellDispatch2> shell;
    VARIANT location, root;
    ::VariantInit(&location);
    ::VariantInit(&root);
    location.vt = VT_I4;
    location.lVal = CSIDL_DESKTOP;
    long hWnd = 0;
    if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER,
                                  IID_IShellWindows, reinterpret_cast<void**>(&windows))) ||
        windows->FindWindowSW(&location, &root, SWC_DESKTOP, &hWnd, SWFO_NEEDDISPATCH, &desktop) !=
            S_OK ||
        FAILED(
            desktop->QueryInterface(IID_IServiceProvider, reinterpret_cast<void**>(&services))) ||
        FAILED(services->QueryService(SID_STopLevelBrowser, IID_IShellBrowser,
                                      reinterpret_cast<void**>(&browser))) ||
        FAILED(browser->QueryActiveShellView(&view)) ||
        FAILED(view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch,
                                   reinterpret_cast<void**>(&background))) ||
        FAILED(background->QueryInterface(IID_IShellFolderViewDual,
                                          reinterpret_cast<void**>(&folderView))) ||
        FAILED(folderView->get_Application(&application)) ||
        FAILED(application->QueryInterface(IID_IShellDispatch2, reinterpret_cast<void**>(&shell))))
        return false;
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
                          SUCCEEDED(shell->ShellExecute(file, arguments, folder, operation, show));
    ::SysFreeString(file);
    ::VariantClear(&folder);
    ::VariantClear(&operation);
    return bStarted;
}
