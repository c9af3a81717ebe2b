#pragma once
// Device services of the handheld that desktop Win32 lacks or refuses: the kernel's reset,
// screen rotation, the process snapshot's Pocket PC names, the shell's desktop window and
// destroying another program's window.
#include <windows.h>
#include <tlhelp32.h>

// Kernel I/O control. Only the reset is known: it tells the handheld (a line in
// "\handheld-events.txt") and never touches the host.
#define IOCTL_HAL_REBOOT 0x0101003C
BOOL KernelIoControl(DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize, LPDWORD returned);

// The handheld's screen orientation. Wine's display keeps no orientation, so the handheld keeps
// it in its own state ("Orientation" under PPC_DISPLAY_KEY); a change is recorded in
// "\handheld-events.txt" and announced with WM_SETTINGCHANGE, as the device does. Requests
// without DM_DISPLAYORIENTATION are the desktop's own.
// The handheld's values: 270 degrees is 4 there, 3 on the desktop.
#undef DMDO_0
#undef DMDO_90
#undef DMDO_180
#undef DMDO_270
#define DMDO_0 0
#define DMDO_90 1
#define DMDO_180 2
#define DMDO_270 4
// The handheld's field bit for the orientation; the desktop's header gives another bit that name.
#undef DM_DISPLAYORIENTATION
#define DM_DISPLAYORIENTATION 0x00800000
#define PPC_DISPLAY_KEY L"Software\\Handheld\\Display"
LONG PpcChangeDisplaySettingsExW(LPCWSTR device, DEVMODEW *mode, HWND window, DWORD flags, LPVOID param);
#define ChangeDisplaySettingsExW PpcChangeDisplaySettingsExW

// The process snapshot: the handheld's "no heaps" flag means nothing here, and its snapshot is
// closed with its own call. A handheld without its tool-help library ("Missing" 1 under
// PPC_TOOLHELP_KEY) takes no snapshot at all.
#define TH32CS_SNAPNOHEAPS 0x40000000
#define PPC_TOOLHELP_KEY L"Software\\Handheld\\Toolhelp"
HANDLE PpcCreateToolhelp32Snapshot(DWORD flags, DWORD processId);
#define CreateToolhelp32Snapshot PpcCreateToolhelp32Snapshot
BOOL CloseToolhelp32Snapshot(HANDLE snapshot);

// On the handheld the desktop window is the shell's full-screen "Desktop" window; the system's
// own desktop window stands in only while no shell runs.
#define PPC_SHELL_DESKTOP_CLASS L"DesktopExplorerWindow"
HWND PpcGetDesktopWindow();
#define GetDesktopWindow PpcGetDesktopWindow

// The handheld destroys any window on request; the desktop lets only the window's own thread do
// it. Another thread's window is asked to close, which an ordinary window answers by destroying
// itself.
BOOL PpcDestroyWindow(HWND window);
#define DestroyWindow PpcDestroyWindow

// Hiding the foreground window hands the front to the next window shown before the call returns,
// as the handheld's one window manager does. On the desktop another program's window hands it
// over later, between the two programs, and may lose it when shown again at once; the stand-in
// brings the next window forward itself and waits (briefly) until it is in front.
BOOL PpcShowWindow(HWND window, int command);
#define ShowWindow PpcShowWindow

// A window whose caption shows an OK button; tapping it sends WM_COMMAND IDOK.
#ifndef WS_EX_CAPTIONOKBTN
#define WS_EX_CAPTIONOKBTN 0x80000000L
#endif
