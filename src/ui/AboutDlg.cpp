#include "AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

// The box shows fixed texts; no control holds data.
void CAboutDlg::DoDataExchange(BOOL) {}
