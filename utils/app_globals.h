#pragma once
// The process-wide values that the main thread and the cursor thread share.
#include "platform/pocketpc.h"

// The application object: its fields in this order.
struct AppObject {
    HICON hIcon;          // icon resource 101, shown in the tray
    HINSTANCE hInstance;  // same as AppInstance
    HWND hwndMain;        // same as MainWindow
    HWND hwndMenuBar;     // null when the menu bar could not be made
    ~AppObject();         // exit clean-up: destroys the main window handle
};

extern AppObject MyInterface;
extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern HANDLE CursorThreadHandle;
extern volatile BYTE bStopCursorThread;
extern UINT WM_MOUSEDATA;
extern UINT WM_MOUSECUR;
