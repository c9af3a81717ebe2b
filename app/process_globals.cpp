// The static initialisation, in its order: the application object, the cursor record, the two
// driver messages, the program's folder. Exit clean-ups run in the reverse order.
#include "utils/app_globals.h"
#include "utils/app_paths.h"
#include "utils/log.h"
#include "platform/driver_contract.h"
#include "pointer/cursor_state.h"

HINSTANCE AppInstance;
HWND MainWindow;
HANDLE CursorThreadHandle;
volatile BYTE bStopCursorThread;

AppObject::~AppObject()
{
    LogPrintf(L"MyInterface::Release::Destroy: %X", (unsigned)(UINT_PTR)hwndMain);
    if (hwndMain)
        DestroyWindow(hwndMain);
}

AppObject MyInterface;

CursorStateRecord CursorState;
static struct CursorStateCleanup {
    ~CursorStateCleanup()
    {
        if (CursorState.hbmStrip)
            DeleteObject(CursorState.hbmStrip);
        CursorState.hbmStrip = NULL;
    }
} CursorStateCleanupAtExit;

UINT WM_MOUSEDATA = RegisterWindowMessageW(DRIVER_MSG_DATA);
UINT WM_MOUSECUR = RegisterWindowMessageW(DRIVER_MSG_CURSOR);

WCHAR AppDir[MAX_PATH] = {0};
static const bool AppDirReady = (ComputeAppDir(AppDir), true);
