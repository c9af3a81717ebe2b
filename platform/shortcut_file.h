#pragma once
// The handheld's shortcuts: a .lnk file is a line of text, the length of its command, "#" and the
// command, a program (quoted when it holds spaces) and its arguments: 22#"\Windows\notes.exe".
#include <windows.h>

// True for a file whose name ends in ".lnk", in any letter case.
bool IsShortcutName(const WCHAR *file);

// Reads a shortcut file into its program and arguments (the arguments cut to their buffer); false,
// with the reason for GetLastError, when the file cannot be read, is larger than a shortcut can
// be, is no shortcut, or names a program longer than a path or than its buffer.
bool ReadShortcut(const WCHAR *file, WCHAR *program, size_t programChars, WCHAR *arguments, size_t argumentChars);
