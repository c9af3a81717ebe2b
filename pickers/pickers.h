#pragma once
// The two full-screen pickers that the settings page opens for "Open Program" and "Open Applet".
// Each runs its own message loop on the caller's thread and returns when the user is done.
#include "platform/pocketpc.h"

#define PICKER_TEXT_CHARS MAX_PATH // both result buffers, terminator included

// The program or shortcut picker. On return, a non-empty path means the user accepted it;
// arguments then holds the text typed into the bottom line (possibly empty). Cancel leaves both
// empty.
void ShowFileBrowser(HINSTANCE instance, HWND owner, const WCHAR *title, const WCHAR *filter,
                     WCHAR path[PICKER_TEXT_CHARS], WCHAR arguments[PICKER_TEXT_CHARS], const WCHAR *imageStrip);

// The applet picker. On return, a non-empty reference ("\windows\x.cpl,N") means the user
// accepted it; text then holds the text typed into the bottom line. Cancel leaves both empty.
void ShowAppletBrowser(HINSTANCE instance, HWND owner, const WCHAR *title, const WCHAR *filter,
                       WCHAR reference[PICKER_TEXT_CHARS], WCHAR text[PICKER_TEXT_CHARS], const WCHAR *imageStrip);
