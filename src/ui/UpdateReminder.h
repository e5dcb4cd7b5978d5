// Once every 180 days, when the status dialog is closed, asks whether to look
// for a newer version on the maker's web site. The start of the current period
// is the program's one user setting, "Setup" \ "t_first_update".
#pragma once

#include <windows.h>

// What closing the status dialog means for the reminder. dwStored is the
// value read from the store with the low 32 bits of now as its default.
struct ReminderDecision {
    bool bFirstUse;  // no period has started yet: start one now
    bool bDue;       // the period has run out: ask
};
ReminderDecision DecideReminder(DWORD dwStored, LONGLONG now);

// Starts the period on first use; once it has run out, asks, opens address on
// Yes, and starts a new period after Yes, or after No if restartOnNo is 1.
// Does nothing at all where an administrator has set UpdateReminder to 0.
void RemindToUpdate(LPCSTR pszAddress, int nRestartOnNo);

// The same with the clock given, so that tests can set it anywhere.
void RemindToUpdateAt(LPCSTR pszAddress, int nRestartOnNo, LONGLONG now);

// The stored time read back: of all times with these low 32 bits, the one
// nearest to now. For every time within 68 years of now that is the time that
// was stored, on either side of 2038.
LONGLONG ExpandStoredTime(DWORD dwStored, LONGLONG now);

// Seconds since 1970-01-01 00:00:00 UTC.
LONGLONG CurrentUnixTime();
