// The floor program's window title, by which the probe finds and ends it.
#pragma once

#define FLOOR_TITLE "Zapwick floor"
