// The About box: the application icon, the product name and version, the
// maker's notice and an OK button, shown modally.
#pragma once

#include "framework/Dialog.h"

class CAboutDlg : public CDialog {
public:
    CAboutDlg();

protected:
    void DoDataExchange(BOOL bSaveAndValidate) override;
};
