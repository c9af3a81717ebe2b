#pragma once
// The program and shortcut picker: the device's folders from "\", each listed when it expands,
// with every folder and the files that pass the caller's extension filter.
#include "pickers/picker_window.h"

// Adds a folder or a file under parent (the tree's root when null); null when the name is
// skipped: a file that fails the filter, "." or "..".
HTREEITEM AddFileItem(HWND tree, const WCHAR *name, HTREEITEM parent, bool isFolder);

// Lists the folder that pattern (such as \Apps\*.*) searches under its item. An empty folder
// loses its expand button; one that cannot be read keeps it. Always 1.
int BrowseFile(HWND tree, const WCHAR *pattern, HTREEITEM parent);
