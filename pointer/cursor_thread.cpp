#include "pointer/cursor_thread.h"
#include "utils/app_globals.h"
#include "utils/log.h"
#include "platform/driver_contract.h"
#include "pointer/cursor_state.h"

DWORD WINAPI CursorThread(LPVOID parameter)
{
    LogPrintf(L"CursorThread thread running. Notify driver.");

    MSG msg;
    while (!bStopCursorThread) {
        if (!GetMessageW(&msg, NULL, 0, 0))
            break;

        // Only a comparison unless the position changed since the last draw. A report draws
        // for itself, after its events: the place it supersedes is not drawn first.
        if (CursorState.bShowCursor && msg.message != WM_MOUSEDATA)
            DrawCursor(&CursorState, 1);

        if (msg.message == WM_MOUSEDATA && CursorState.bShowCursor) {
            LogPrintf(L"WM_MOUSEDATA");
            ProcessMouseData(&CursorState, msg.wParam, msg.lParam);
        } else if (msg.message == WM_MOUSECUR) {
            BYTE old = CursorState.bShowCursor;
            int show = msg.wParam == DRIVER_CURSOR_SHOW;
            if (msg.wParam == DRIVER_CURSOR_HIDE && old)
                DrawCursor(&CursorState, 0);
            else if (show && !old)
                DrawCursor(&CursorState, 1);
            LogPrintf(L"WM_MOUSECUR: bShowCursor=%d/%d", old, show);
            CursorState.bShowCursor = (BYTE)show;
        } else {
            // A report while hidden ends here: the thread has no window, so it is dropped.
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // Ending while shown: put the save-under back, so that no image of the cursor outlives us.
    if (CursorState.bShowCursor)
        DrawCursor(&CursorState, 0);
    return 0;
}
