// The one application object. It exists before WinMain runs, as the framework
// expects, and lives until the process exits.
#include "ZapwickApp.h"

CZapwickApp theApp;
