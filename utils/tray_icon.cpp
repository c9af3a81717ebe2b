#include "utils/tray_icon.h"

#include <shellapi.h>

BOOL TrayNotify(HWND window, DWORD operation, UINT iconId, HICON icon)
{
    NOTIFYICONDATAW data = {sizeof(data)};
    data.hWnd = window;
    data.uID = iconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON; // no tip
    data.uCallbackMessage = WM_TRAY_CALLBACK;
    data.hIcon = icon;
    return Shell_NotifyIconW(operation, &data);
}

BOOL TrayAdd(HWND window, UINT iconId, HICON icon) { return TrayNotify(window, NIM_ADD, iconId, icon); }

BOOL TrayDelete(HWND window, UINT iconId) { return TrayNotify(window, NIM_DELETE, iconId, NULL); }
