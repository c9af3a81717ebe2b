#pragma once
// How a program's notification icon reaches the handheld's shell (handheld/shell.exe), which shows
// the icons along the bottom of its "Desktop" window as the Pocket PC shell does. The program's
// side is platform/notify_icon.cpp. No Windows header here: the shell and platform/ share it.
#include <stdint.h>

// The shell's tray strip, a child of its "Desktop" window, and each icon on it, a child of the strip
// whose id is the icon's id and whose GWLP_USERDATA is the window the icon belongs to.
#define TRAY_WINDOW_CLASS L"HHTray"
#define TRAY_ICON_CLASS L"HHTrayIcon"

// One Shell_NotifyIcon call is one WM_COPYDATA to the strip, dwData TRAY_COPYDATA_TAG, answered
// TRUE or FALSE as the call's result.
#define TRAY_COPYDATA_TAG 0x4E544950u
struct TrayRequest {
    uint32_t operation; // NIM_ADD 0, NIM_MODIFY 1, NIM_DELETE 2
    uint32_t window;    // the window the icon belongs to (window handles are 32-bit values)
    uint32_t id;
    uint32_t flags;     // NIF_MESSAGE 1, NIF_ICON 2; other flags are not shown by the handheld
    uint32_t callback;  // the message a tap posts to window: wParam id, lParam the mouse message
    uint32_t width;     // the icon's pixels that follow; 0 and 0 with no icon
    uint32_t height;
    // Then width * height colour pixels and as many mask pixels (white where the icon is
    // transparent, black where it is drawn), each 32 bits, blue-green-red-alpha, top row first.
};

#define TRAY_REPLY_WAIT_MS 2000 // longest a program waits for a shell that does not answer
#define TRAY_ICON_MAX_SIDE 256
