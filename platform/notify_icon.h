#pragma once
// Notification icons. On the handheld the shell shows them along the bottom of its "Desktop"
// window and a tap on one posts the icon's callback message to its window; the handheld's shell
// stand-in (handheld/shell.exe) does the same, and is told through platform/tray_wire.h. While no
// such shell runs the call is the system's own.
#include <windows.h>
#include <shellapi.h>

BOOL PpcShell_NotifyIconW(DWORD operation, NOTIFYICONDATAW *data);
#define Shell_NotifyIconW PpcShell_NotifyIconW
