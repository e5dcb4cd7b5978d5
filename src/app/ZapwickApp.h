// The application object: names the settings store, creates the hidden main
// frame and answers the About command.
#pragma once

#include "framework/WinApp.h"

class CZapwickApp : public CWinApp {
public:
    BOOL InitInstance() override;

    static const MsgTable s_messageTable;

protected:
    const MsgTable* GetMessageTable() const override { return &s_messageTable; }

private:
    void OnAppAbout();

    static const MsgEntry s_messageEntries[];
};
