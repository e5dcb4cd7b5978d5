// The user-interface thread: the record of the main window and the message
// loop that serves every window and timer of the program.
#pragma once

#include "CmdTarget.h"

class CWnd;

class CWinThread : public CCmdTarget {
public:
    CWnd* m_pMainWnd = nullptr;

    virtual BOOL InitInstance() { return FALSE; }
    // Runs the message loop until the quit message; returns ExitInstance().
    virtual int Run();
    // The exit routine; returns the process exit code, the quit message's code.
    virtual int ExitInstance() { return m_nExitCode; }

    // Offers a keyboard message to the program's own top-level window that it
    // is for (dialog navigation); TRUE means it was consumed.
    virtual BOOL PreTranslateMessage(MSG* pMsg);

    // Takes one message and dispatches it; FALSE when it was the quit
    // message, whose code is kept for ExitInstance.
    BOOL PumpMessage();

protected:
    int m_nExitCode = 0;
};
