// The program's entry point: the framework's start-up, then the application's
// own, then the message loop.
#include "WinApp.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR pszCmdLine, int nCmdShow) {
    CWinApp* pApp = GetApp();
    if (!pApp) return 1;
    pApp->StartFramework(hInstance, pszCmdLine, nCmdShow);
    if (!pApp->InitInstance()) {
        pApp->ExitInstance();
        return 1;
    }
    return pApp->Run();
}
