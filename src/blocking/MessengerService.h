// Stops Windows Messenger pop-up spam: the Messenger service's start type is
// set to disabled in the machine's stored service configuration.
#pragma once

#include <windows.h>

// Writes SERVICE_DISABLED into the service's "Start" value under control set
// 001, if the key and the value exist and may be written. The running service
// is left alone; Windows reads the new start type at its next start. Every
// failure is silent.
void DisableMessengerService();
