// The program's entry point: the framework's start-up, then the application's
// own, then the message loop.
#include <objbase.h>

#include "WinApp.h"

namespace {

int RunApp(CWinApp* pApp, HINSTANCE hInstance, LPSTR pszCmdLine, int nCmdShow) {
    pApp->StartFramework(hInstance, pszCmdLine, nCmdShow);
    if (!pApp->InitInstance()) {
        pApp->ExitInstance();
        return 1;
    }
    return pApp->Run();
}

}  // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR pszCmdLine, int nCmdShow) {
    CWinApp* pApp = GetApp();
    if (!pApp) return 1;
    // ShellExecute may hand an address to a shell extension or a browser that
    // it activates through COM, which wants COM initialised, apartment-
    // threaded, on the calling thread first: once, on this one thread, for
    // the program's life. OLE1's DDE is of no use to it. Without COM the
    // program goes on as before.
    const HRESULT hrCom =
        ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    const int nExitCode = RunApp(pApp, hInstance, pszCmdLine, nCmdShow);
    if (SUCCEEDED(hrCom)) ::CoUninitialize();
    return nExitCode;
}
