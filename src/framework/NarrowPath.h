// Paths that Windows gives as wide text, spelled for the narrow calls. A path
// is only of use if it names the real file: a character that the code page
// cannot spell comes out as a look-alike or "?", which names another folder
// or none. The programs that we start read their command lines in the
// system's code page, which this program's own UTF-8 setting does not change.
#pragma once

#include "String.h"

// The code page in which a program without a code page setting of its own
// reads text, its command line included.
UINT GetSystemCodePage();

// pszPath in this program's code page, naming the same file here and for a
// program that reads it in nReaderCodePage: as it is where both code pages
// spell it; else its short (8.3) form, which always can where the volume keeps
// short names; else as this program's code page spells it, with "?" for what
// it cannot, which names either the file for this program alone or no file
// at all, never a look-alike.
CString GetNarrowPath(LPCWSTR pszPath, UINT nReaderCodePage);

// The full path of a module, however long, as GetNarrowPath spells it for the
// system's code page.
CString GetModulePath(HMODULE hModule);
