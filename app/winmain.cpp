// Start-up: the log switch, device and screen facts, the main window, the cursor thread, the
// connection attempt and the main message loop.
#include "utils/app_globals.h"
#include "app/command_line.h"
#include "utils/display.h"
#include "utils/log.h"
#include "app/main_window.h"
#include "link/connect.h"
#include "pointer/cursor_state.h"
#include "pointer/cursor_thread.h"

#include <stdio.h>

#define IDB_CURSOR_STRIP 141

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int show)
{
    FILE *marker = _wfopen(LOG_MARKER_FILE, L"r");
    if (marker) {
        fclose(marker);
        LogEnabled = true;
    }

    WCHAR device[255] = {0};
    SystemParametersInfoW(SPI_GETOEMINFO, sizeof(device), device, 0);
    LogPrintf(L"Init tray app.\n--------------------------\nDevice: [%s]", device);

    AppInstance = instance;

    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    LogPrintf(L"main thread: %X", GetCurrentThreadId());

    ReadScreenSize(&CursorState.cxScreen, &CursorState.cyScreen);
    LogPrintf(L"Screen size: %dx%d - DRAX(2)=%d,DRAY(2)=%d", CursorState.cxScreen,
              CursorState.cyScreen, DRAX(2), DRAY(2));

    if (CreateMainWindow(&MyInterface, instance) != 1) {
        LogPrintf(L"duplicate instance");
        return 0;
    }

    CursorState.hbmStrip = LoadBitmapW(instance, MAKEINTRESOURCEW(IDB_CURSOR_STRIP));

    CursorThreadHandle = CreateThread(NULL, 0, CursorThread, NULL, 0, NULL);
    LogPrintf(L"CT-1 thread: %X running. Inform Driver.", (unsigned)(UINT_PTR)CursorThreadHandle);
    SetThreadPriority(CursorThreadHandle, THREAD_PRIORITY_ABOVE_NORMAL);

    int interactive = IsInteractiveStart((const char16_t *)commandLine) ? 1 : 0;
    int connected = SAC_Mouse(MainWindow, CursorThreadHandle, interactive);
    LogPrintf(L"WinMain SAC_Mouse: %d", connected);

    MSG msg = {0};
    while (GetMessageW(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }

    CloseHandle(CursorThreadHandle);
    return (int)msg.wParam;
}
