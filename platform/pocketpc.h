#pragma once
// The Pocket PC interfaces that desktop Win32 lacks, under their Pocket PC names. Every other
// file includes this header instead of <windows.h> and reads like handheld code; on a Windows CE
// build the stand-ins below compile away.
#include <windows.h>

#ifndef SPI_GETOEMINFO
#define SPI_GETOEMINFO 258
#endif

// SPI_GETOEMINFO answers the handheld's device name; every other action is the desktop's own.
BOOL PpcSystemParametersInfoW(UINT action, UINT param, PVOID data, UINT winIni);
#define SystemParametersInfoW PpcSystemParametersInfoW

// On Pocket PC a window handle with its lowest bit set also brings the window's owned windows
// to the front; the desktop would take the odd value for another handle.
BOOL PpcSetForegroundWindow(HWND window);
#define SetForegroundWindow PpcSetForegroundWindow

// The handheld's shell reports nothing when a program cannot be started; the desktop's would
// put up an error box and wait for it.
#include <shellapi.h>
BOOL PpcShellExecuteExW(SHELLEXECUTEINFOW *info);
#define ShellExecuteExW PpcShellExecuteExW

// The handheld's registry paths start with a backslash ("\Software\..."), which the desktop
// refuses: the stand-ins drop it before the call.
LSTATUS PpcRegOpenKeyExW(HKEY root, LPCWSTR path, DWORD options, REGSAM access, PHKEY key);
LSTATUS PpcRegCreateKeyExW(HKEY root, LPCWSTR path, DWORD reserved, LPWSTR keyClass, DWORD options,
                           REGSAM access, const LPSECURITY_ATTRIBUTES security, PHKEY key, LPDWORD disposition);
#define RegOpenKeyExW PpcRegOpenKeyExW
#define RegCreateKeyExW PpcRegCreateKeyExW

// TransparentImage: the desktop's TransparentBlt has the same stretch and key-colour meaning.
BOOL PpcTransparentImage(HDC destination, int x, int y, int width, int height, HDC source, int xSource,
                         int ySource, int widthSource, int heightSource, COLORREF transparent);
#define TransparentImage PpcTransparentImage

// A thread's id: on the handheld a thread's handle value is its id; the desktop's are unrelated
// and asked for.
DWORD PpcThreadIdOf(HANDLE thread);

// A window's pointer-sized slots: the handheld's GetWindowLongW holds a pointer; a 64-bit
// desktop program needs the pointer-sized calls.
LONG_PTR PpcGetWindowLongPtrW(HWND window, int index);
LONG_PTR PpcSetWindowLongPtrW(HWND window, int index, LONG_PTR value);
#undef GetWindowLongPtrW
#undef SetWindowLongPtrW
#define GetWindowLongPtrW PpcGetWindowLongPtrW
#define SetWindowLongPtrW PpcSetWindowLongPtrW

// StretchBlt shrinking a picture: the desktop's default mode ANDs the pixels a shrink drops
// together, which eats thin light lettering on a dark ground; the stand-in asks for halftone,
// which averages them, so the program never chooses a stretch mode itself.
BOOL PpcStretchBlt(HDC destination, int x, int y, int width, int height, HDC source, int xSource, int ySource,
                   int widthSource, int heightSource, DWORD rop);
#define StretchBlt PpcStretchBlt

// A library's export by name: the handheld's GetProcAddressW takes the name in wide characters;
// the desktop's exports are looked up by their narrow names.
FARPROC PpcGetProcAddressW(HMODULE library, LPCWSTR name);
#define GetProcAddressW PpcGetProcAddressW

// What the handheld draws on the screen shows at once. Wine keeps drawing on the screen in its
// display connection until something sends it on (a read from the screen, or a thread with
// windows waiting for messages), so a thread that draws and ends, or a program that ends, could
// leave its last strokes unshown: the screen's context is given back only after one of its
// pixels has been read, which sends all before it and waits until the display has done it.
int PpcReleaseDC(HWND window, HDC dc);
#define ReleaseDC PpcReleaseDC

// File search: the handheld's file system lists no "." and ".." entries, so a search of an empty
// folder fails at once with ERROR_NO_MORE_FILES; the desktop lists the two entries in every folder
// but a drive's root.
HANDLE PpcFindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW found);
BOOL PpcFindNextFileW(HANDLE search, LPWIN32_FIND_DATAW found);
#define FindFirstFileW PpcFindFirstFileW
#define FindNextFileW PpcFindNextFileW

// The handheld's system font (Tahoma, 8 points) is what a device context and a control start
// with; the desktop's is a larger bold face. The stand-ins give each new context the handheld's.
#define PPC_SYSTEM_FONT_HEIGHT_96DPI 11
HFONT PpcSystemFont();
HDC PpcBeginPaint(HWND window, PAINTSTRUCT *paint);
HDC PpcGetDC(HWND window);
HGDIOBJ PpcGetStockObject(int object);
#define BeginPaint PpcBeginPaint
#define GetDC PpcGetDC
#define GetStockObject PpcGetStockObject

// The handheld's message box is as wide as the screen and wraps its text; the desktop's grows
// with its longest line, past a handheld's screen.
int PpcMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type);
#define MessageBoxW PpcMessageBoxW

// Where the handheld keeps its own state (radio, device name); see handheld/README.md.
#define PPC_HANDHELD_KEY L"Software\\Handheld\\Bluetooth"

#include "platform/seams.h"
#include "platform/device.h"
#include "platform/aygshell.h"
#include "platform/notify_icon.h"
// Bluetooth utility library: the radio's mode (0 off, 1 on and connectable, 2 on and
// discoverable); 0 on success. The handheld keeps it as "Mode" under PPC_HANDHELD_KEY; a
// "QueryError" there is the query's result, with the mode still reported.
int PpcBthGetMode(DWORD *mode);
#define BthGetMode PpcBthGetMode

// The device manager and the stream device "BHI0:" of the HID driver. The driver stand-in is a
// process of its own (handheld/hid_driver.exe) reached over a named pipe, so the device key's
// "Dll" names that program; see platform/stream_device.cpp.
HANDLE PpcActivateDeviceEx(LPCWSTR deviceKey, LPCVOID regEntries, DWORD count, LPVOID startParam);
#define ActivateDeviceEx PpcActivateDeviceEx
// The device manager's clock while it waits for a driver it started: the system's tick count,
// which a test may hold still to see a start decided within one millisecond.
extern DWORD(WINAPI *PpcDeviceManagerClock)(void);
HANDLE PpcCreateFileW(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD creation,
                      DWORD flags, HANDLE templateFile);
#define CreateFileW PpcCreateFileW
BOOL PpcDeviceIoControl(HANDLE device, DWORD code, LPVOID in, DWORD inSize, LPVOID out, DWORD outSize,
                        LPDWORD returned, LPOVERLAPPED overlapped);
#define DeviceIoControl PpcDeviceIoControl
