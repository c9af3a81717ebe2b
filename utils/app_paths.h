#pragma once
// Paths relative to the program's own folder.
#include "platform/pocketpc.h"

// The program's folder, up to and including its last backslash; set before WinMain runs.
extern WCHAR AppDir[MAX_PATH];
void ComputeAppDir(WCHAR *dir);

// directory + subfolder + "\" + file in one shared buffer that every call overwrites (main
// thread only). A path that does not fit in MAX_PATH characters comes back empty.
const WCHAR *AppPath(const WCHAR *directory, const WCHAR *subfolder, const WCHAR *file);
