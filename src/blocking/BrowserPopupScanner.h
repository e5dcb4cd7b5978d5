// Closes browser pop-ups: top-level "IEFrame" windows without a sizing border.
#pragma once

// One pass over the desktop's top-level windows. Each pop-up found is asked to
// close as if the user had chosen Close from its system menu; the request is
// posted, so a busy or hung browser cannot hold the pass up.
void CloseBrowserPopups();
