#pragma once
// Control-panel applets: the applet files of "\windows" and the entries each one offers, asked
// through the control-panel protocol with the library loaded for the one call only.
#include "platform/pocketpc.h"

#include <commctrl.h>

// Entries beyond this many are neither listed nor looked up: an applet that reports millions
// would otherwise hold the picker for as long. Real applets offer a few dozen at most.
#define APPLET_MAX_ENTRIES 256

// Fills the first level of an empty tree with the applet files of "\windows". Always 1.
int ListAppletFiles(HWND tree);

// Adds the entries of the applet file named in path (up to its ".cpl", such as x.cpl\*.*) under
// its item.
void GetAppletContents(HWND tree, const WCHAR *path, HTREEITEM fileItem);

// The index of the first entry of the applet file with this name, or -1.
int FindAppletIndex(const WCHAR *file, const WCHAR *entry);
