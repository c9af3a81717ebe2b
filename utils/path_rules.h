#pragma once
#include <stddef.h>
// Paths relative to the program's own folder. Text is UTF-16 in 16-bit units.

// Copies the folder part of a module path, up to and including its last backslash, into out
// (capacity cap units, terminator included). A path without a backslash gives an empty folder.
void DirectoryOfModulePath(const char16_t *modulePath, char16_t *out, size_t cap);

// out = directory + subfolder + "\" + file. When the whole path and its terminator do not fit in
// cap units, out is left empty and false is returned: a cut path could name a different file.
bool JoinAppPath(char16_t *out, size_t cap, const char16_t *directory, const char16_t *subfolder,
                 const char16_t *file);
