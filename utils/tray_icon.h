#pragma once
#include "platform/pocketpc.h"

#define TRAY_ICON_ID 5000
#define WM_TRAY_CALLBACK 3025

BOOL TrayNotify(HWND window, DWORD operation, UINT iconId, HICON icon);
BOOL TrayAdd(HWND window, UINT iconId, HICON icon);
BOOL TrayDelete(HWND window, UINT iconId);
